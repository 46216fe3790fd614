// SPDX-License-Identifier: GPL-3.0-or-later
#include "fallbackrecords.h"
#include "serverrecords.h"
#include "sqliterecords.h"

#include <QPointer>

FallbackRecords::FallbackRecords(ServerRecords *server, SqliteRecords &local, bool sendsToSchool,
                                 const QString &note, QObject *parent)
    : Records(parent), m_server(server), m_local(local), m_sendsToSchool(sendsToSchool),
      m_state(server ? Server::Asked : Server::Closed), m_reason(note)
{
    connect(&m_local, &Records::changed, this, &Records::changed);
    if (!m_server)
        return;
    m_retry.setSingleShot(true);
    m_retry.setInterval(30000);
    connect(&m_retry, &QTimer::timeout, this, &FallbackRecords::askAgain);
    m_reason = QStringLiteral("школьный сервер ещё не ответил");
    connect(m_server, &ServerRecords::checked, this, &FallbackRecords::checked);
    m_asking = true;
    m_server->check();
}

void FallbackRecords::checked(const SchoolCheck &check)
{
    m_asking = false;
    if (check.ok)
        m_mayAdd = check.mayAdd;
    ++m_turn;
    if (check.mayReadClass || check.mayReadOwn) {
        m_server->setPlace((check.mayReadClass ? QStringLiteral("Школьный сервер «%1»: весь класс")
                                               : QStringLiteral("Школьный сервер «%1»: мои раунды"))
                               .arg(m_server->service()));
        m_state = Server::Read;
        m_serverProblem.clear();
    } else if (check.ok) {
        m_state = Server::Closed;
        m_reason = QStringLiteral("раунды этой учётной записи уходят на школьный сервер, а "
                                  "смотреть их там может только учитель");
    } else if (check.failure.failed()) {
        away(schoolreasons::plainRussian(check.failure, m_server->limits().deadlineMs(),
                                         m_server->limits().statementMs),
             QStringLiteral("Школьный сервер не отвечает: %1").arg(check.failure.line()));
    } else {
        // It answers, but lacks the game's tables, groups or schema version: the admin's to mend.
        away(QStringLiteral("школьный сервер не готов для игры"), check.lines.value(0));
    }
    emit changed();
}

void FallbackRecords::away(const QString &reason, const QString &problem)
{
    ++m_turn;
    m_state = Server::Away;
    m_reason = reason;
    m_serverProblem = problem;
    m_retry.start();
}

void FallbackRecords::serverFailed()
{
    away(schoolreasons::plainRussian(m_server->failure(), m_server->limits().deadlineMs(),
                                     m_server->limits().statementMs),
         m_server->problem());
}

void FallbackRecords::askAgain()
{
    if (m_state != Server::Away || m_asking)
        return;
    m_asking = true;
    // A role not known yet is asked for; a known one is tried with the smallest real read, which
    // a server too slow to read also fails.
    if (!m_mayAdd) {
        m_server->check();
        return;
    }
    m_server->readChildren(this, [this](std::optional<QList<Child>> children) {
        m_asking = false;
        if (m_state != Server::Away)
            return;
        if (!children) {
            serverFailed();
            return;
        }
        ++m_turn;
        m_state = Server::Read;
        m_serverProblem.clear();
        emit changed();
    });
}

template <typename T>
void FallbackRecords::read(QObject *context, Answer<T> answer,
                           std::function<void(Records &, QObject *, Answer<T>)> ask)
{
    if (m_state != Server::Read) {
        ask(m_local, context, [this, answer](std::optional<T> value) {
            m_lastFromServer = false;
            answer(std::move(value));
        });
        return;
    }
    const int turn = m_turn;
    ask(*m_server, this,
        [this, turn, context = QPointer(context), answer, ask](std::optional<T> value) {
            if (!context)
                return;
            if (turn == m_turn && value) {
                m_lastFromServer = true;
                answer(std::move(value));
                return;
            }
            const bool failedNow = turn == m_turn;
            if (failedNow)
                serverFailed();
            read(context.data(), answer, ask);
            // What else the window shows came from the server: it reads it all here again.
            if (failedNow)
                emit changed();
        });
}

void FallbackRecords::readChildren(QObject *context, Answer<QList<Child>> answer)
{
    read<QList<Child>>(context, answer, [](Records &r, QObject *c, Answer<QList<Child>> a) {
        r.readChildren(c, a);
    });
}

void FallbackRecords::readClassRows(const QDateTime &now, QObject *context,
                                    Answer<QList<ClassRow>> answer)
{
    read<QList<ClassRow>>(
        context, answer,
        [now](Records &r, QObject *c, Answer<QList<ClassRow>> a) { r.readClassRows(now, c, a); });
}

void FallbackRecords::readRounds(const Child &child, QObject *context,
                                 Answer<QList<DiaryRound>> answer)
{
    read<QList<DiaryRound>>(context, answer,
                            [child](Records &r, QObject *c, Answer<QList<DiaryRound>> a) {
                                r.readRounds(child, c, a);
                            });
}

// A round is known by its UUID wherever it is kept: the targets asked for are that round's, or
// none. One the server does not have may be this computer's, shown a moment before the server
// came back.
void FallbackRecords::readTargets(const QUuid &round, QObject *context,
                                  Answer<QList<TargetRecord>> answer)
{
    const auto here = [this, round, answer](std::optional<QList<TargetRecord>> targets) {
        if (targets && targets->isEmpty() && m_lastFromServer)
            targets = m_local.targets(round);
        answer(std::move(targets));
    };
    read<QList<TargetRecord>>(context, here,
                              [round](Records &r, QObject *c, Answer<QList<TargetRecord>> a) {
                                  r.readTargets(round, c, a);
                              });
}

bool FallbackRecords::sendsFromHere() const { return m_sendsToSchool && m_mayAdd != false; }

// With a school's server, what it has not got yet is never cleared away from it: on a shared
// account a pupil could otherwise wipe a classmate's rounds before the teacher has them.
SqliteRecords::Unsent FallbackRecords::unsent() const
{
    return sendsFromHere() ? SqliteRecords::Unsent::Keep : SqliteRecords::Unsent::Delete;
}

// What is shown is what is changed: the server's class only ever says it is only read.
bool FallbackRecords::clear(const Child &child)
{
    return m_lastFromServer ? m_server->clear(child) : m_local.clear(child, unsent());
}

QString FallbackRecords::addChild(const QString &name)
{
    return m_lastFromServer ? m_server->addChild(name) : m_local.addChild(name);
}

QString FallbackRecords::renameChild(const Child &child, const QString &name)
{
    return m_lastFromServer ? m_server->renameChild(child, name) : m_local.renameChild(child, name);
}

QString FallbackRecords::removeChild(const Child &child)
{
    return m_lastFromServer ? m_server->removeChild(child) : m_local.removeChild(child, unsent());
}

Child FallbackRecords::player() const { return m_local.player(); }
void FallbackRecords::setPlayer(const Child &child) { m_local.setPlayer(child); }
bool FallbackRecords::isRecording() const { return m_local.isRecording(); }
void FallbackRecords::setRecording(bool on) { m_local.setRecording(on); }
QString FallbackRecords::recordingLock() const { return m_local.recordingLock(); }

QString FallbackRecords::place() const
{
    if (m_lastFromServer)
        return m_server->place();
    return m_reason.isEmpty() ? m_local.place()
                              : QStringLiteral("%1 (%2)").arg(m_local.place(), m_reason);
}

bool FallbackRecords::manyAccounts() const { return m_lastFromServer && m_server->manyAccounts(); }

std::optional<int> FallbackRecords::waitingForSchool()
{
    return sendsFromHere() ? m_local.unsentCount() : std::nullopt;
}

QString FallbackRecords::problem() const
{
    const QString problem =
        m_lastFromServer || m_serverProblem.isEmpty()
            ? (m_lastFromServer ? m_server->problem() : m_local.problem())
            : QStringLiteral("%1. Показан дневник этого компьютера.").arg(m_serverProblem);
    if (m_configFault.isEmpty() || problem.isEmpty())
        return problem + m_configFault;
    return problem + u'\n' + m_configFault;
}
