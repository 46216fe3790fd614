// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "roundrecord.h"
#include "roundrows.h"
#include "schoolreason.h"
#include "schoolsender.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>

class QSqlDatabase;
class ServerStatement;
class ServerWatchdog;
struct SchoolConfig;

// A round with the child who played it, as it goes to the school.
using ChildRound = roundrows::Played;

// What the server says about this machine's role, one line each: whether it answers, as which
// role, whether the role may add rounds, whether it may read the class.
struct SchoolCheck
{
    QStringList lines;
    bool ok = false; // it answers, has the tables, and the role may add rounds or read the class
    bool mayReadClass = false; // a teacher's role
    bool mayReadOwn = false;   // a pupil who logs in as themselves reads their own rounds
    bool mayAdd = false;       // rounds go to the server from this account
    SchoolFailure failure;     // why it could not be asked or answered with an error
};

// How long the server may keep the game waiting.
struct SchoolLimits
{
    int connectS = 5;         // libpq's connect_timeout; it takes no less than 2
    int statementMs = 20000;  // the server ends a statement that runs longer
    int unansweredMs = 20000; // tcp_user_timeout: data sent but not acknowledged
    int keepaliveIdleS = 10;  // a silent line is probed after this long
    // The client's own deadline for each exchange (connecting, each statement, the commit),
    // which holds when the server itself hangs; 0: the statement limit and 2 s more, so that a
    // server that still works ends a slow statement first and says so.
    int answerMs = 0;

    qint64 deadlineMs() const { return answerMs > 0 ? answerMs : statementMs + 2000; }
};

// The school's PostgreSQL server, reached through a libpq service (host, port, database and TLS
// in pg_service.conf; a password only in ~/.pgpass). Who may write and read is the server's
// roles' business; this side only sends bound values.
class SchoolServer : public Delivery
{
public:
    explicit SchoolServer(const QString &service, SchoolLimits limits = {});
    ~SchoolServer();
    SchoolServer(const SchoolServer &) = delete;
    SchoolServer &operator=(const SchoolServer &) = delete;

    static bool driverInstalled();

    // Connects unless connected; false with errorMessage() set when it cannot.
    bool open();
    void close();
    // The last failure as one line; empty when there was none.
    QString errorMessage() const override { return m_error; }
    // The last failure as a value; reason None when there was none.
    SchoolFailure failure() const { return m_failure; }
    QList<Refusal> refused() const override { return m_refused; }
    // Past the deadline of an exchange that shutting the socket down did not end, this runs (on
    // another thread); a program that must not hang prints its reason and ends there.
    void setLastResort(std::function<void(const SchoolFailure &)> lastResort);

    // Adds each child and round with its targets, one transaction per round; a round the server
    // already has is left as it is. Returns the UUIDs the server has committed, which includes
    // the ones it had before: only these may be marked sent. A round the server refuses for good
    // (a data error) goes to refused() and the others still go; any other failure stops it.
    QList<QUuid> deliver(const QList<ChildRound> &rounds) override;

    SchoolCheck check();
    // The open connection, for reading the class.
    QSqlDatabase database() const;
    // Connects unless connected and runs `read`, whose statements keep the deadline; false, with
    // failure() set and the connection dropped, when it could not.
    bool read(const std::function<bool(ServerStatement &)> &read);
    // Ends the exchange under way now and any later one at once; safe from any thread. For a
    // program that quits while the server keeps it waiting.
    void abandon();

private:
    friend class ServerStatement;
    void fail(const SchoolFailure &failure, const QString &prefix = {});
    // Drops a connection past its deadline: the driver goes first, so that no statement of it
    // tries to talk to the socket that was shut down.
    void forget();
    // Runs one exchange with the server under the deadline; false when the deadline passed, and
    // then the connection is closed and the failure set.
    bool exchange(const std::function<void()> &call);

    QString m_service;
    SchoolLimits m_limits;
    QString m_connection;
    QString m_error;
    SchoolFailure m_failure;
    QList<Refusal> m_refused;
    bool m_timedOut = false; // an exchange ran past the deadline; the connection is dead
    std::unique_ptr<ServerWatchdog> m_watchdog;
};

// The check of the server the settings name; when they name none, why not.
SchoolCheck checkSchool(const SchoolConfig &config, SchoolLimits limits = {});
