// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolreason.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>

using namespace Qt::StringLiterals;

#include <sys/stat.h>

namespace {

QString seconds(qint64 ms) { return QString::number((ms + 999) / 1000); }

bool has(const QString &message, const char *words)
{
    return message.contains(QLatin1String(words), Qt::CaseInsensitive);
}

// Others may read the file: libpq then ignores it, with a warning nobody sees.
bool readableByOthers(const QString &file)
{
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(file).constData(), &status) == 0 &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) != 0;
}

} // namespace

QString SchoolFailure::line() const
{
    return detail.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, detail);
}

QString SchoolFailure::checkLine() const
{
    switch (reason) {
    case SchoolReason::None:
        return QStringLiteral("answers");
    case SchoolReason::NoDriver:
        return QStringLiteral("not asked: %1").arg(line());
    case SchoolReason::NoAnswer:
        return QStringLiteral("does not answer: %1").arg(line());
    case SchoolReason::NoSuchService:
        return QStringLiteral("not found: %1").arg(line());
    case SchoolReason::LoginRefused:
    case SchoolReason::PasswordFileOpen:
        return QStringLiteral("refuses the log-in: %1").arg(line());
    case SchoolReason::ConnectionLost:
        return QStringLiteral("stopped answering: %1").arg(line());
    case SchoolReason::SlowStatement:
    case SchoolReason::RoundRefused:
    case SchoolReason::NoRight:
    case SchoolReason::Other:
        break;
    }
    return QStringLiteral("answers, but %1").arg(line());
}

namespace schoolreasons {

SchoolFailure make(SchoolReason reason, const QString &text, const QString &detail)
{
    return {reason, text, detail.simplified(), {}};
}

SchoolFailure noAnswer(qint64 deadlineMs)
{
    return make(
        SchoolReason::NoAnswer,
        QStringLiteral("the school's server did not answer within %1 s").arg(seconds(deadlineMs)));
}

QString passwordFile()
{
    const QString set = qEnvironmentVariable("PGPASSFILE");
    return set.isEmpty() ? QDir::homePath() + QStringLiteral("/.pgpass") : set;
}

SchoolFailure ofConnect(const QString &service, const QString &message, const QString &passwordFile)
{
    static const QRegularExpression roleName(QStringLiteral("(?:user|role) \"([^\"]*)\""));
    const QString role = roleName.match(message).captured(1);
    if (has(message, "definition of service") || has(message, "service file"))
        return make(SchoolReason::NoSuchService,
                    QStringLiteral("there is no service \"%1\" in the pg_service.conf libpq "
                                   "reads (PGSERVICEFILE, else /etc/postgresql-common/)")
                        .arg(service),
                    message);
    const bool noPassword = has(message, "no password supplied");
    if ((noPassword || has(message, "password authentication failed")) &&
        QFileInfo::exists(passwordFile) && readableByOthers(passwordFile))
        return make(SchoolReason::PasswordFileOpen,
                    QStringLiteral("the password in %1 is not used because others may read the "
                                   "file; make it the account's own: chmod 0600 %1")
                        .arg(passwordFile),
                    message);
    if (noPassword)
        return make(SchoolReason::LoginRefused,
                    QStringLiteral("the school's server wants a password, and %1 has none for "
                                   "this server and role")
                        .arg(passwordFile),
                    message);
    if (has(message, "password authentication failed") || has(message, "authentication failed"))
        return make(SchoolReason::LoginRefused,
                    QStringLiteral("the school's server refused the log-in of the role \"%1\": "
                                   "the password in %2 is wrong")
                        .arg(role, passwordFile),
                    message);
    if (has(message, "does not exist") && !role.isEmpty())
        return make(SchoolReason::LoginRefused,
                    QStringLiteral("the school's server has no role \"%1\"").arg(role), message);
    if (has(message, "pg_hba.conf"))
        return make(SchoolReason::LoginRefused,
                    QStringLiteral("the school's server does not let this computer log in as "
                                   "\"%1\" (no line for it in the server's pg_hba.conf)")
                        .arg(role),
                    message);
    if (has(message, "timeout expired"))
        return make(SchoolReason::NoAnswer,
                    QStringLiteral("the school's server did not answer in time"), message);
    if (has(message, "could not translate host name"))
        return make(SchoolReason::NoAnswer,
                    QStringLiteral("the school server's host name is not known here"), message);
    if (has(message, "connection refused") || has(message, "could not connect") ||
        has(message, "no route to host") || has(message, "network is unreachable") ||
        has(message, "no such file or directory"))
        return make(SchoolReason::NoAnswer,
                    QStringLiteral("nothing takes connections at the school server's address"),
                    message);
    if (has(message, "server closed the connection") || has(message, "could not receive") ||
        has(message, "could not send"))
        return make(SchoolReason::ConnectionLost,
                    QStringLiteral("the connection to the school's server broke while logging in"),
                    message);
    return make(SchoolReason::Other,
                QStringLiteral("cannot connect to the service \"%1\"").arg(service), message);
}

QString plainRussian(const SchoolFailure &failure, qint64 deadlineMs, qint64 statementMs)
{
    switch (failure.reason) {
    case SchoolReason::None:
        break;
    case SchoolReason::NoDriver:
        return QStringLiteral("на этом компьютере не установлен драйвер PostgreSQL для Qt");
    case SchoolReason::NoAnswer:
        // Kept waiting to the deadline, or not even let in.
        if (failure.text == noAnswer(deadlineMs).text)
            return QStringLiteral("школьный сервер не ответил за %1 с").arg(seconds(deadlineMs));
        return QStringLiteral("школьный сервер сейчас не отвечает");
    case SchoolReason::NoSuchService:
        return QStringLiteral("школьный сервер не найден в настройках этого компьютера");
    case SchoolReason::LoginRefused:
        return QStringLiteral("школьный сервер не пускает эту учётную запись");
    case SchoolReason::PasswordFileOpen:
        return QStringLiteral("пароль к школьному серверу не используется: файл с ним могут "
                              "читать другие");
    case SchoolReason::SlowStatement:
        return QStringLiteral("школьный сервер не успел ответить на запрос за %1 с: он занят "
                              "или перегружен")
            .arg(seconds(statementMs));
    case SchoolReason::RoundRefused:
        return QStringLiteral("школьный сервер отказался принять раунд");
    case SchoolReason::NoRight:
        return QStringLiteral("у этой учётной записи нет прав на школьном сервере");
    case SchoolReason::ConnectionLost:
        return QStringLiteral("связь со школьным сервером прервалась");
    case SchoolReason::Other:
        return QStringLiteral("школьный сервер ответил ошибкой");
    }
    return {};
}

bool refusesRound(const QString &sqlState)
{
    return sqlState.startsWith(QLatin1String("22")) || sqlState.startsWith(QLatin1String("23"));
}

SchoolFailure ofStatement(const QSqlError &error, qint64 statementMs)
{
    const QString state = error.nativeErrorCode();
    // The server's sentence without the severity before it and the driver's "(SQLSTATE)"
    // after it; the code said once, by name.
    QString words =
        (error.databaseText().isEmpty() ? error.text() : error.databaseText()).simplified();
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s*"));
    words.remove(severity);
    // Where in the server's own functions it happened, which tells an admin nothing more.
    static const QRegularExpression context(QStringLiteral("\\s*CONTEXT:.*$"));
    words.remove(context);
    // libpq's guess after a lost connection, and the driver's brackets around no code.
    words.remove(QStringLiteral(" This probably means the server terminated abnormally before or "
                                "while processing the request."));
    if (words.endsWith(QLatin1String("()")))
        words.chop(2);
    if (!state.isEmpty()) {
        const QString code = QStringLiteral("(%1)").arg(state);
        if (words.endsWith(code))
            words.chop(code.size());
        words = QStringLiteral("%1; SQLSTATE %2").arg(words.trimmed(), state);
    }
    SchoolFailure failure;
    if (state == QLatin1String("57014"))
        failure = make(SchoolReason::SlowStatement,
                       QStringLiteral("the school's server took longer than %1 s over a statement "
                                      "and ended it (a table may be locked, or the server is "
                                      "overloaded)")
                           .arg(seconds(statementMs)),
                       words);
    else if (refusesRound(state))
        failure = make(SchoolReason::RoundRefused,
                       QStringLiteral("the school's server refused the round's data"), words);
    else if (state == QLatin1String("42501"))
        failure = make(SchoolReason::NoRight,
                       QStringLiteral("the role this account logs in as may not add rounds "
                                      "(permission denied; see kvadrilka --school-check)"),
                       words);
    // The server shutting down or restarting ends the connection from its side.
    else if (state.startsWith(QLatin1String("08")) ||
             QStringList{u"57P01"_s, u"57P02"_s, u"57P03"_s}.contains(state) ||
             (state.isEmpty() && (has(words, "server closed") || has(words, "connection") ||
                                  has(words, "could not receive") || has(words, "could not send"))))
        failure = make(SchoolReason::ConnectionLost,
                       QStringLiteral("the connection to the school's server was lost"), words);
    else
        failure = make(SchoolReason::Other,
                       QStringLiteral("the school's server answered with an error"), words);
    failure.sqlState = state;
    return failure;
}

} // namespace schoolreasons
