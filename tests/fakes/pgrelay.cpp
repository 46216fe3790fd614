// SPDX-License-Identifier: GPL-3.0-or-later
#include "pgrelay.h"

#include <QLocalSocket>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include <memory>

namespace {
QSemaphore s_listening;
} // namespace

PgRelay::~PgRelay()
{
    quit();
    wait();
}

int PgRelay::listen()
{
    start();
    s_listening.acquire();
    return m_port;
}

void PgRelay::run()
{
    QTcpServer server;
    m_port = server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
    s_listening.release();
    QObject::connect(&server, &QTcpServer::pendingConnectionAvailable, &server, [&] {
        while (QTcpSocket *client = server.nextPendingConnection()) {
            int hang = m_hang;
            while (hang > 0 && !m_hang.compare_exchange_weak(hang, hang - 1)) {
            }
            auto *upstream = new QLocalSocket(client);
            upstream->connectToServer(m_unixSocket + "/.s.PGSQL.5432");
            if (!upstream->waitForConnected(5000)) {
                client->deleteLater();
                continue;
            }
            const auto stopped = std::make_shared<bool>(false);
            const auto pending = std::make_shared<QByteArray>();
            QObject::connect(client, &QTcpSocket::readyRead, upstream, [=] {
                if (!*stopped)
                    upstream->write(client->readAll());
            });
            QObject::connect(upstream, &QLocalSocket::readyRead, client, [=] {
                if (*stopped)
                    return;
                if (hang == 0) {
                    client->write(upstream->readAll());
                    return;
                }
                // Whole messages, up to the first ReadyForQuery: the log-in is over.
                pending->append(upstream->readAll());
                qsizetype at = 0;
                while (!*stopped && pending->size() - at >= 5) {
                    const qsizetype length =
                        1 + qFromBigEndian<qint32>(pending->constData() + at + 1);
                    if (pending->size() - at < length)
                        break;
                    client->write(pending->constData() + at, length);
                    *stopped = pending->at(at) == 'Z';
                    at += length;
                }
                pending->remove(0, at);
            });
            QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            // Data that came with the connection.
            if (client->bytesAvailable() > 0)
                upstream->write(client->readAll());
        }
    });
    exec();
}
