// SPDX-License-Identifier: GPL-3.0-or-later
#include "serverwatchdog.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

#include <sys/socket.h>

namespace {

thread_local const std::atomic<bool> *t_fired = nullptr;
QtMessageHandler s_passOn = nullptr;

void quietPastDeadline(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && t_fired && t_fired->load())
        return;
    s_passOn(type, context, text);
}

} // namespace

ServerWatchdog::ServerWatchdog(std::chrono::milliseconds limit)
    : m_limit(limit), m_thread([this] { run(); })
{
    static std::once_flag installed;
    std::call_once(installed, [] { s_passOn = qInstallMessageHandler(quietPastDeadline); });
}

ServerWatchdog::~ServerWatchdog()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ServerWatchdog::setLastResort(std::function<void()> lastResort,
                                   std::chrono::milliseconds grace)
{
    const std::lock_guard lock(m_mutex);
    m_lastResort = std::move(lastResort);
    m_grace = grace;
}

bool ServerWatchdog::shutDown(const QSqlDriver *driver)
{
    if (!driver)
        return false;
    // The driver's own handle, read while another thread is blocked inside libpq with it: the
    // pointer was set before libpq began to wait, and PQsocket only reads the descriptor.
    const QVariant handle = driver->handle();
    // PGconn is a typedef of struct pg_conn; Qt names the type after either.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return false;
    PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
    const int socket = connection ? PQsocket(connection) : -1;
    return socket >= 0 && ::shutdown(socket, SHUT_RDWR) == 0;
}

bool ServerWatchdog::watch(const QSqlDatabase &db, const std::function<void()> &call)
{
    {
        const std::lock_guard lock(m_mutex);
        m_driver = db.driver();
        m_deadline = std::chrono::steady_clock::now();
        if (!m_abandoned)
            m_deadline += m_limit;
        m_fired = false;
        ++m_watch;
    }
    m_changed.notify_all();
    t_fired = &m_fired;
    call();
    t_fired = nullptr;
    bool inTime = true;
    {
        const std::lock_guard lock(m_mutex);
        inTime = !m_fired;
        m_driver = nullptr;
    }
    m_changed.notify_all();
    return inTime;
}

void ServerWatchdog::abandon()
{
    {
        const std::lock_guard lock(m_mutex);
        m_abandoned = true;
        m_deadline = std::chrono::steady_clock::now();
    }
    m_changed.notify_all();
}

void ServerWatchdog::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (!m_driver) {
            m_changed.wait(lock);
            continue;
        }
        const unsigned watched = m_watch;
        const auto over = [&] { return m_stopping || !m_driver || m_watch != watched; };
        // The deadline is read again on each wake: abandon() moves it.
        while (!over() && std::chrono::steady_clock::now() < m_deadline)
            m_changed.wait_until(lock, m_deadline);
        if (over())
            continue;
        m_fired = true;
        shutDown(m_driver);
        if (m_changed.wait_for(lock, m_grace, over))
            continue;
        if (m_lastResort) {
            const std::function<void()> lastResort = m_lastResort;
            lock.unlock();
            lastResort();
            lock.lock();
        }
        m_changed.wait(lock, over);
    }
}
