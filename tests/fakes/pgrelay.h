// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QThread>

#include <atomic>

// A loopback TCP port in front of a private PostgreSQL's Unix socket, on a thread of its own (the
// client under test blocks the test's thread inside libpq). It relays the start-up and log-in;
// a connection chosen to hang then stops being relayed after the server's first ReadyForQuery
// but stays open, which is how a frozen backend or a dead link looks to the client. Clients must
// not ask for TLS or GSSAPI (sslmode=disable gssencmode=disable): the relay reads the server's
// messages to see the log-in end.
class PgRelay : public QThread
{
public:
    explicit PgRelay(const QString &unixSocket) : m_unixSocket(unixSocket) {}
    ~PgRelay() override;

    // Listens on 127.0.0.1; the port, 0 when it cannot.
    int listen();
    int port() const { return m_port; }
    // How many of the next connections hang after the log-in; -1: all of them.
    void hang(int connections) { m_hang = connections; }

protected:
    void run() override;

private:
    QString m_unixSocket;
    std::atomic<int> m_hang{-1};
    std::atomic<int> m_port{0};
};
