// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "roundrows.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

class SqliteRecords;

// Where the rounds go: the school's server, or a stand-in.
class Delivery
{
public:
    virtual ~Delivery() = default;
    // The UUIDs the other side has committed, the ones it had before included.
    virtual QList<QUuid> deliver(const QList<roundrows::Played> &rounds) = 0;
    // Why the last delivery fell short, in one line.
    virtual QString errorMessage() const = 0;
    // The rounds of the last delivery that the other side refuses for good, each with why.
    struct Refusal
    {
        QUuid uuid;
        QString reason;
    };
    virtual QList<Refusal> refused() const { return {}; }
};

// When to try the school's server again, kept beside the diary so that every game of the account
// keeps to it: after a failure, 5 s, then twice as long each time, at most 10 minutes. A retry
// time further ahead than the longest pause (written while the clock was wrong) is ignored.
class SendingPause
{
public:
    explicit SendingPause(const QString &diaryFile);

    bool mayTry(const QDateTime &now) const;
    // Whether this failure begins an outage, which is said once.
    bool failed(const QDateTime &now);
    // Whether an outage ended with this success.
    bool succeeded();
    // Keeps why the server refused a round for good, by its UUID.
    void refused(const QUuid &uuid, const QString &reason);
    QString refusal(const QUuid &uuid) const;

    static constexpr qint64 firstPauseMs = 5000;
    static constexpr qint64 longestPauseMs = 10 * 60 * 1000;

private:
    QString m_file;
};

// Moves the rounds of this account's diary that the school's server does not have yet, oldest
// first, and marks each sent once the server has committed it; a round the server refuses for
// good is set aside with its reason and never holds back the ones after it. One run at a time
// per diary: an automatic one finds another at work and leaves; one by hand waits for it.
class SchoolSender
{
public:
    SchoolSender(SqliteRecords &records, const QString &diaryFile, Delivery &delivery);

    enum class Outcome { Sent, Failed, Busy, Paused };
    // Automatic runs (the game's, after each round) keep to the pause after a failure; a run by
    // hand sends now, and waits up to busyWaitMs for a sender already at work.
    enum class Mode { Automatic, ByHand };
    // Reports the beginning and the end of an outage on standard error, one line each.
    Outcome run(const QDateTime &now, Mode mode = Mode::Automatic, qint64 busyWaitMs = 0);
    int sentCount() const { return m_sent; }
    // Refused for good in this run.
    int refusedCount() const { return m_refused; }
    // Why rounds still wait after this run; empty when none does for a failure.
    QString failure() const { return m_failure; }

    static constexpr int batch = 100;

private:
    SqliteRecords &m_records;
    QString m_diaryFile;
    Delivery &m_delivery;
    int m_sent = 0;
    int m_refused = 0;
    QString m_failure;
};
