// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolsender.h"
#include "sqliterecords.h"

#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

#include <algorithm>
#include <cstdio>

namespace {
QString failuresKey() { return QStringLiteral("school/failures"); }
QString retryKey() { return QStringLiteral("school/retry-at"); }
QString refusedKey(const QUuid &uuid)
{
    return QStringLiteral("refused/") + uuid.toString(QUuid::WithoutBraces);
}
} // namespace

SendingPause::SendingPause(const QString &diaryFile) : m_file(diaryFile + QStringLiteral(".school"))
{
}

bool SendingPause::mayTry(const QDateTime &now) const
{
    QSettings state(m_file, QSettings::IniFormat);
    const qint64 retryAt = state.value(retryKey(), 0).toLongLong();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    return nowMs >= retryAt || retryAt - nowMs > longestPauseMs;
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

void SendingPause::refused(const QUuid &uuid, const QString &reason)
{
    QSettings(m_file, QSettings::IniFormat).setValue(refusedKey(uuid), reason);
}

QString SendingPause::refusal(const QUuid &uuid) const
{
    return QSettings(m_file, QSettings::IniFormat).value(refusedKey(uuid)).toString();
}

SchoolSender::SchoolSender(SqliteRecords &records, const QString &diaryFile, Delivery &delivery)
    : m_records(records), m_diaryFile(diaryFile), m_delivery(delivery)
{
}

SchoolSender::Outcome SchoolSender::run(const QDateTime &now, Mode mode, qint64 busyWaitMs)
{
    m_sent = 0;
    m_refused = 0;
    m_failure.clear();
    QLockFile lock(m_diaryFile + QStringLiteral(".sending"));
    // A sender that hangs is ended by its own deadline, and a lock of a process gone is stale.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(mode == Mode::ByHand ? int(busyWaitMs) : 0)) {
        if (lock.error() == QLockFile::LockFailedError)
            return Outcome::Busy;
        // The diary's folder holds the outbox too: without it nothing waits.
        if (!QFileInfo::exists(QFileInfo(m_diaryFile).absolutePath()))
            return Outcome::Sent;
        m_failure = QStringLiteral("cannot write %1").arg(lock.fileName());
        return Outcome::Failed;
    }
    SendingPause pause(m_diaryFile);
    if (mode == Mode::Automatic && !pause.mayTry(now))
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
        // Refused for good: set aside, so that they hold back none of the rounds after them.
        QList<QUuid> refused;
        for (const Delivery::Refusal &refusal : m_delivery.refused()) {
            if (committed.contains(refusal.uuid))
                continue;
            pause.refused(refusal.uuid, refusal.reason);
            refused.append(refusal.uuid);
            std::fprintf(stderr, "kvadrilka: round %s is set aside: %s\n",
                         qPrintable(refusal.uuid.toString(QUuid::WithoutBraces)),
                         qPrintable(refusal.reason));
        }
        if (!refused.isEmpty() && !m_records.markRefused(refused)) {
            failure = QStringLiteral("the diary cannot be written: %1").arg(m_records.problem());
            break;
        }
        m_refused += int(refused.size());
        if (committed.size() + refused.size() < rounds->size()) {
            failure = m_delivery.errorMessage();
            break;
        }
    }
    m_failure = failure;
    if (!failure.isEmpty()) {
        if (pause.failed(now) && mode == Mode::Automatic)
            std::fprintf(stderr,
                         "kvadrilka: the school's server does not take rounds now (%s); they "
                         "wait on this computer and go when it answers\n",
                         qPrintable(failure));
        return Outcome::Failed;
    }
    if (pause.succeeded() && mode == Mode::Automatic)
        std::fprintf(stderr, "kvadrilka: the school's server answers again; rounds sent: %d\n",
                     m_sent);
    return Outcome::Sent;
}
