// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolsender.h"
#include "sqliterecords.h"

#include <QLockFile>
#include <QSettings>

#include <algorithm>
#include <cstdio>

namespace {
QString failuresKey() { return QStringLiteral("school/failures"); }
QString retryKey() { return QStringLiteral("school/retry-at"); }
} // namespace

SendingPause::SendingPause(const QString &diaryFile) : m_file(diaryFile + QStringLiteral(".school"))
{
}

bool SendingPause::mayTry(const QDateTime &now) const
{
    QSettings state(m_file, QSettings::IniFormat);
    return now.toMSecsSinceEpoch() >= state.value(retryKey(), 0).toLongLong();
}

bool SendingPause::failed(const QDateTime &now)
{
    QSettings state(m_file, QSettings::IniFormat);
    const int failures = state.value(failuresKey(), 0).toInt() + 1;
    const qint64 pause = std::min(longestPauseMs, firstPauseMs << std::min(failures - 1, 20));
    state.setValue(failuresKey(), failures);
    state.setValue(retryKey(), now.toMSecsSinceEpoch() + pause);
    return failures == 1;
}

bool SendingPause::succeeded()
{
    QSettings state(m_file, QSettings::IniFormat);
    const bool wasDown = state.value(failuresKey(), 0).toInt() > 0;
    state.remove(QStringLiteral("school"));
    return wasDown;
}

SchoolSender::SchoolSender(SqliteRecords &records, const QString &diaryFile, Delivery &delivery)
    : m_records(records), m_diaryFile(diaryFile), m_delivery(delivery)
{
}

SchoolSender::Outcome SchoolSender::run(const QDateTime &now, bool evenIfPaused)
{
    m_sent = 0;
    QLockFile lock(m_diaryFile + QStringLiteral(".sending"));
    if (!lock.tryLock(0))
        return Outcome::Busy;
    SendingPause pause(m_diaryFile);
    if (!evenIfPaused && !pause.mayTry(now))
        return Outcome::Paused;
    // Rounds that still wait in the outbox go into the diary first: only the diary's are sent.
    m_records.sendWaiting();
    QString failure;
    for (;;) {
        const std::optional<QList<roundrows::Played>> rounds = m_records.unsentRounds(batch);
        if (!rounds) {
            failure = QStringLiteral("the diary cannot be read: %1").arg(m_records.problem());
            break;
        }
        if (rounds->isEmpty())
            break;
        const QList<QUuid> committed = m_delivery.deliver(*rounds);
        if (!committed.isEmpty() && !m_records.markSent(committed)) {
            failure = QStringLiteral("the diary cannot be written: %1").arg(m_records.problem());
            break;
        }
        m_sent += int(committed.size());
        if (committed.size() < rounds->size()) {
            failure = m_delivery.errorMessage();
            break;
        }
    }
    if (!failure.isEmpty()) {
        if (pause.failed(now))
            std::fprintf(stderr,
                         "kvadrilka: the school's server does not take rounds now (%s); they "
                         "wait on this computer and go when it answers\n",
                         qPrintable(failure));
        return Outcome::Failed;
    }
    if (pause.succeeded())
        std::fprintf(stderr, "kvadrilka: the school's server answers again; rounds sent: %d\n",
                     m_sent);
    return Outcome::Sent;
}
