// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QSqlError;

// Why the school's server could not be used, as a value: the command line says it in English
// (text()), a window may attach a sentence of its own to each kind.
enum class SchoolReason {
    None,
    NoDriver,         // the Qt driver for PostgreSQL is not installed
    NoAnswer,         // nothing answered, or not within the deadline
    NoSuchService,    // pg_service.conf has no such service
    LoginRefused,     // wrong or missing password, unknown role, no pg_hba.conf line
    PasswordFileOpen, // ~/.pgpass is ignored: others may read it
    SlowStatement,    // the server ended a statement at statement_timeout (57014)
    RoundRefused,     // the server's data errors (SQLSTATE classes 22, 23): refused for good
    NoRight,          // the role lacks a right (42501)
    ConnectionLost,   // the connection broke (class 08, or libpq's own words)
    Other,
};

struct SchoolFailure
{
    SchoolReason reason = SchoolReason::None;
    QString text;     // plain English, one line, for an admin
    QString detail;   // the server's or libpq's own words, one line; may be empty
    QString sqlState; // empty when the server gave none

    bool failed() const { return reason != SchoolReason::None; }
    // The text with the detail in brackets, for standard error.
    QString line() const;
    // The first line of --school-check after "School server: ".
    QString checkLine() const;
};

namespace schoolreasons {

SchoolFailure make(SchoolReason reason, const QString &text, const QString &detail = {});
// Nothing answered within the deadline (whole seconds, rounded up).
SchoolFailure noAnswer(qint64 deadlineMs);
// Why libpq could not connect, from its message; passwordFile is where ~/.pgpass is looked for.
SchoolFailure ofConnect(const QString &service, const QString &message,
                        const QString &passwordFile);
// Why a statement failed, from its SQLSTATE.
SchoolFailure ofStatement(const QSqlError &error, qint64 statementMs);
// Why the server cannot be read, in plain Russian words for a diary window, with the limits it
// was read under: "школьный сервер не ответил за 7 с".
QString plainRussian(const SchoolFailure &failure, qint64 deadlineMs, qint64 statementMs);
// Only the server's data errors refuse a round for good; a missing right, a lost connection or
// a cancelled statement keep it waiting.
bool refusesRound(const QString &sqlState);
// The password file libpq reads: PGPASSFILE, else ~/.pgpass.
QString passwordFile();

} // namespace schoolreasons
