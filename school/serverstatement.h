// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schoolserver.h"

#include <QSqlError>
#include <QSqlQuery>

// Every statement with the school's server goes through this: prepare() and exec() are each an
// exchange under the client's deadline, and exec() never runs a statement whose prepare()
// failed (the driver would send "EXECUTE (" and the server's answer would hide the real
// failure), which lastError() keeps instead. It hides QSqlQuery's own prepare(), exec() and
// lastError(): its users take it as it is and bind through QSqlQuery.
class ServerStatement : public QSqlQuery
{
public:
    explicit ServerStatement(SchoolServer &server) : QSqlQuery(server.database()), m_server(server)
    {
    }

    bool prepare(const QString &sql)
    {
        m_prepareError = QSqlError();
        m_prepared = false;
        m_server.exchange([&] { m_prepared = QSqlQuery::prepare(sql); });
        if (!m_prepared)
            m_prepareError = QSqlQuery::lastError();
        return m_prepared;
    }
    bool exec()
    {
        if (!m_prepared)
            return false;
        bool done = false;
        m_server.exchange([&] { done = QSqlQuery::exec(); });
        return done;
    }
    bool exec(const QString &sql)
    {
        m_prepareError = QSqlError();
        m_prepared = false;
        bool done = false;
        m_server.exchange([&] { done = QSqlQuery::exec(sql); });
        return done;
    }
    QSqlError lastError() const
    {
        return m_prepareError.isValid() ? m_prepareError : QSqlQuery::lastError();
    }

private:
    SchoolServer &m_server;
    bool m_prepared = false;
    QSqlError m_prepareError;
};
