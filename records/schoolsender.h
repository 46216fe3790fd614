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
};

// When to try the school's server again, kept beside the diary so that every game of the account
// keeps to it: after a failure, 5 s, then twice as long each time, at most 10 minutes.
class SendingPause
{
public:
    explicit SendingPause(const QString &diaryFile);

    bool mayTry(const QDateTime &now) const;
    // Whether this failure begins an outage, which is said once.
    bool failed(const QDateTime &now);
    // Whether an outage ended with this success.
    bool succeeded();

    static constexpr qint64 firstPauseMs = 5000;
    static constexpr qint64 longestPauseMs = 10 * 60 * 1000;

private:
    QString m_file;
};

// Moves the rounds of this account's diary that the school's server does not have yet, oldest
// first, and marks each sent once the server has committed it. One run at a time per diary: a
// second one finds the first at work and leaves.
class SchoolSender
{
public:
    SchoolSender(SqliteRecords &records, const QString &diaryFile, Delivery &delivery);

    enum class Outcome { Sent, Failed, Busy, Paused };
    // Reports the beginning and the end of an outage on standard error, one line each.
    Outcome run(const QDateTime &now, bool evenIfPaused = false);
    int sentCount() const { return m_sent; }

    static constexpr int batch = 100;

private:
    SqliteRecords &m_records;
    QString m_diaryFile;
    Delivery &m_delivery;
    int m_sent = 0;
};
