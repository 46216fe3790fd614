// SPDX-License-Identifier: GPL-3.0-or-later
#include "serverrecords.h"
#include "serverreader.h"

#include <QPointer>

// The server's connection and its reads, used on the reading thread only: QPSQL's connection
// belongs to the thread that opened it.
class ServerRecords::Worker : public QObject
{
public:
    Worker(const QString &service, SchoolLimits limits) : server(service, limits), reader(server) {}

    SchoolServer server;
    ServerReader reader;
};

ServerRecords::ServerRecords(const QString &service, SchoolLimits limits, QObject *parent)
    : Records(parent), m_service(service), m_limits(limits), m_worker(new Worker(service, limits))
{
    m_thread.setObjectName(QStringLiteral("school-reader"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

ServerRecords::~ServerRecords()
{
    // Reads asked and not begun are dropped with the thread's queue.
    m_worker->server.abandon();
    m_thread.quit();
    m_thread.wait();
}

template <typename T>
void ServerRecords::ask(std::function<std::optional<T>(ServerReader &)> read, QObject *context,
                        Answer<T> answer)
{
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [this, worker, read, context = QPointer(context), answer] {
        std::optional<T> value = read(worker->reader);
        const SchoolFailure failure = worker->server.failure();
        // Back on the window's thread; this object waits for the thread before it goes.
        QMetaObject::invokeMethod(this, [this, failure, context, answer, value] {
            m_failure = value ? SchoolFailure() : failure;
            if (context)
                answer(value);
        });
    });
}

void ServerRecords::check()
{
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [this, worker] {
        const SchoolCheck check = worker->server.check();
        QMetaObject::invokeMethod(this, [this, check] { emit checked(check); });
    });
}

void ServerRecords::readChildren(QObject *context, Answer<QList<Child>> answer)
{
    ask<QList<Child>>([](ServerReader &reader) { return reader.children(); }, context, answer);
}

void ServerRecords::readClassRows(const QDateTime &now, QObject *context,
                                  Answer<QList<ClassRow>> answer)
{
    ask<QList<ClassRow>>([now](ServerReader &reader) { return reader.classRows(now); }, context,
                         answer);
}

void ServerRecords::readRounds(const Child &child, QObject *context,
                               Answer<QList<DiaryRound>> answer)
{
    ask<QList<DiaryRound>>([child](ServerReader &reader) { return reader.rounds(child); }, context,
                           answer);
}

void ServerRecords::readTargets(const QUuid &round, QObject *context,
                                Answer<QList<TargetRecord>> answer)
{
    ask<QList<TargetRecord>>([round](ServerReader &reader) { return reader.targets(round); },
                             context, answer);
}

QString ServerRecords::problem() const
{
    if (!m_failure.failed())
        return {};
    return QStringLiteral("Школьный сервер не отвечает: %1").arg(m_failure.line());
}

QString ServerRecords::readOnly()
{
    return QStringLiteral("Дневник на школьном сервере можно только смотреть.");
}

bool ServerRecords::clear(const Child &) { return false; }
QString ServerRecords::addChild(const QString &) { return readOnly(); }
QString ServerRecords::renameChild(const Child &, const QString &) { return readOnly(); }
QString ServerRecords::removeChild(const Child &) { return readOnly(); }
