// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QSqlDatabase;
class QSqlDriver;

// A deadline the client keeps itself for each exchange with a PostgreSQL server. QPSQL blocks
// inside libpq, and cancelling only asks the server, which may be the part that hangs; past the
// deadline this shuts the connection's socket down (shutdown(PQsocket(conn), SHUT_RDWR), never
// close(): libpq still owns the descriptor), which ends the blocked call with an error. The
// connection is useless afterwards and must be closed by its owner.
//
// One thread of its own, idle while nothing is watched; usable from any one thread at a time.
class ServerWatchdog
{
public:
    explicit ServerWatchdog(std::chrono::milliseconds limit);
    ~ServerWatchdog();
    ServerWatchdog(const ServerWatchdog &) = delete;
    ServerWatchdog &operator=(const ServerWatchdog &) = delete;

    // A call that shutting the socket down does not end within `grace` (libpq still connecting,
    // with no socket to shut, or blocked elsewhere) cannot be unblocked: this runs then, on the
    // watchdog's thread. A program that must not hang says its reason and ends in it.
    void setLastResort(std::function<void()> lastResort,
                       std::chrono::milliseconds grace = std::chrono::seconds(3));

    std::chrono::milliseconds limit() const { return m_limit; }

    // Runs `call`, which talks to the server of `db`, under the deadline. True when it ended in
    // time; false when the deadline passed and the socket was shut down.
    bool watch(const QSqlDatabase &db, const std::function<void()> &call);

    // Ends the call watched now, as if its deadline had passed, and every later one at once: for
    // a program that quits while the server keeps it waiting. Safe from any thread.
    void abandon();

    // Shuts the socket of the driver's connection down; false when it has none.
    static bool shutDown(const QSqlDriver *driver);

private:
    void run();

    const std::chrono::milliseconds m_limit;
    std::function<void()> m_lastResort;
    std::chrono::milliseconds m_grace{3000};

    std::mutex m_mutex;
    std::condition_variable m_changed;
    const QSqlDriver *m_driver = nullptr; // watched while set
    std::chrono::steady_clock::time_point m_deadline;
    unsigned m_watch = 0; // counts the calls watched
    // The current call's deadline passed: the driver's warnings about the connection cut under
    // it are not passed on, as they would mislead (its version "not supported", and the like).
    std::atomic<bool> m_fired = false;
    bool m_stopping = false;
    bool m_abandoned = false;
    std::thread m_thread; // last: starts once the rest is ready
};
