// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolserver.h"
#include "figures.h"
#include "measured.h"
#include "penaltycodes.h"
#include "schoolconfig.h"
#include "serverstatement.h"
#include "serverwatchdog.h"

#include <QAtomicInt>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

const char driverName[] = "QPSQL";
const char noDriver[] = "the Qt driver for PostgreSQL is not installed (package libqt6sql6-psql)";

// The schema this version of the game sends to.
constexpr int schemaVersion = 4;

QAtomicInt s_connections;

QJsonValue nullable(std::optional<double> value)
{
    if (value && std::isfinite(*value))
        return *value;
    return QJsonValue();
}

SchoolCheck checkLines(const QString &server, const QString &role, const QString &add,
                       const QString &read)
{
    SchoolCheck check;
    check.lines = QStringList{QStringLiteral("School server: %1").arg(server),
                              QStringLiteral("Role: %1").arg(role),
                              QStringLiteral("May add rounds: %1").arg(add),
                              QStringLiteral("May read the class: %1").arg(read)};
    return check;
}

// The server's or libpq's own words, without the driver's preface, on one line: they often
// take several.
QString errorText(const QSqlError &error)
{
    return (error.databaseText().isEmpty() ? error.text() : error.databaseText()).simplified();
}

// Qt's driver joins these to its own keywords with blanks, after turning every ';' into one.
QString connectOptions(const QString &service, const SchoolLimits &limits)
{
    return QStringList{
        QStringLiteral("service=%1").arg(service),
        QStringLiteral("connect_timeout=%1").arg(limits.connectS),
        QStringLiteral("keepalives=1"),
        QStringLiteral("keepalives_idle=%1").arg(limits.keepaliveIdleS),
        QStringLiteral("keepalives_interval=5"),
        QStringLiteral("keepalives_count=3"),
        QStringLiteral("tcp_user_timeout=%1").arg(limits.unansweredMs),
        QStringLiteral("application_name=kvadrilka"),
        QStringLiteral("options='-c statement_timeout=%1'").arg(limits.statementMs),
    }
        .join(u';');
}

// A target as kvadrilka_add_round() takes it: the server's column names, the values the diary
// keeps.
QJsonObject targetObject(const TargetRecord &t)
{
    QJsonObject object{
        {QStringLiteral("number"), t.number},
        {QStringLiteral("shown_at_ms"), t.shownAtMs},
        {QStringLiteral("hit_after_ms"), t.hitAfterMs},
        {QStringLiteral("penalties"), penaltycodes::text(t.penalties)},
        {QStringLiteral("misses"), t.misses},
        {QStringLiteral("distance"), measured::orElse(t.distance, -1)},
        {QStringLiteral("width"), measured::orElse(t.width, 0)},
        {QStringLiteral("moved_after_ms"),
         t.movedAfterMs >= 0 ? QJsonValue(t.movedAfterMs) : QJsonValue()},
    };
    const auto addPoint = [&object](const QString &name, std::optional<QPointF> point) {
        point = measured::point(point);
        object.insert(name + QStringLiteral("_x"), point ? QJsonValue(point->x()) : QJsonValue());
        object.insert(name + QStringLiteral("_y"), point ? QJsonValue(point->y()) : QJsonValue());
    };
    addPoint(QStringLiteral("start"), t.start);
    addPoint(QStringLiteral("centre"), t.centre);
    addPoint(QStringLiteral("click"), t.click);
    return object;
}

// The round with its child and targets as one JSON object: the server adds it whole, or, when
// it already has it, leaves it as it is.
QByteArray roundObject(const ChildRound &round)
{
    const RoundRecord &record = round.record;
    const QDateTime started =
        record.started.isValid() ? record.started : QDateTime::currentDateTime();
    const figures::RoundFigures figures = figures::ofRound(record.targets);
    QJsonArray targets;
    for (const TargetRecord &target : record.targets)
        targets.append(targetObject(target));
    const QJsonObject object{
        {QStringLiteral("uuid"), record.uuid.toString(QUuid::WithoutBraces)},
        // With its offset, so that the server keeps the instant whatever its own time zone.
        {QStringLiteral("started"),
         started.toOffsetFromUtc(started.offsetFromUtc()).toString(Qt::ISODateWithMs)},
        {QStringLiteral("utc_offset_s"), started.offsetFromUtc()},
        {QStringLiteral("level"), record.level},
        {QStringLiteral("right_button"), record.rightButton},
        {QStringLiteral("double_click"), record.doubleClick},
        {QStringLiteral("ending"), int(record.ending)},
        {QStringLiteral("score"), record.score},
        {QStringLiteral("grade"), record.grade.isNull() ? QStringLiteral("") : record.grade},
        {QStringLiteral("median_hit_ms"), nullable(figures.medianTimeToHitMs)},
        {QStringLiteral("misses"), figures.misses},
        {QStringLiteral("penalties"), figures.penalties},
        {QStringLiteral("throughput"), nullable(figures.throughput)},
        {QStringLiteral("reaction_ms"), nullable(figures.reactionMs)},
        // The child as the diary knows it now: a rename reaches the server as the name of the
        // child of that identity.
        {QStringLiteral("child"),
         QJsonObject{{QStringLiteral("account"), round.child.account},
                     {QStringLiteral("name_key"), childnames::key(round.child.name)},
                     {QStringLiteral("name"), childnames::cleaned(round.child.name)},
                     {QStringLiteral("identity"),
                      round.child.identity.isNull()
                          ? QJsonValue()
                          : QJsonValue(round.child.identity.toString(QUuid::WithoutBraces))}}},
        {QStringLiteral("targets"), targets},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Pupils' roles may add rounds through this function alone; the server decides whose rounds
// this login may add.
bool addRound(ServerStatement &query, const ChildRound &round)
{
    query.prepare(QStringLiteral("SELECT kvadrilka_add_round(CAST(? AS jsonb))"));
    query.addBindValue(QString::fromUtf8(roundObject(round)));
    return query.exec();
}

} // namespace

SchoolServer::SchoolServer(const QString &service, SchoolLimits limits)
    : m_service(service), m_limits(limits),
      m_connection(QStringLiteral("kvadrilka-school-%1").arg(s_connections.fetchAndAddRelaxed(1))),
      m_watchdog(std::make_unique<ServerWatchdog>(std::chrono::milliseconds(limits.deadlineMs())))
{
}

SchoolServer::~SchoolServer()
{
    if (QSqlDatabase::contains(m_connection)) {
        database().close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool SchoolServer::driverInstalled()
{
    return QSqlDatabase::isDriverAvailable(QLatin1String(driverName));
}

QSqlDatabase SchoolServer::database() const { return QSqlDatabase::database(m_connection, false); }

void SchoolServer::setLastResort(std::function<void(const SchoolFailure &)> lastResort)
{
    const SchoolFailure failure = schoolreasons::noAnswer(m_limits.deadlineMs());
    m_watchdog->setLastResort([lastResort, failure] { lastResort(failure); });
}

void SchoolServer::fail(const SchoolFailure &failure, const QString &prefix)
{
    m_failure = failure;
    m_error = prefix + failure.line();
}

bool SchoolServer::exchange(const std::function<void()> &call)
{
    if (m_watchdog->watch(database(), call))
        return true;
    m_timedOut = true;
    fail(schoolreasons::noAnswer(m_limits.deadlineMs()));
    return false;
}

void SchoolServer::forget()
{
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

bool SchoolServer::open()
{
    if (QSqlDatabase::contains(m_connection) && database().isOpen())
        return true;
    m_timedOut = false;
    if (!driverInstalled()) {
        fail(schoolreasons::make(SchoolReason::NoDriver, QLatin1String(noDriver)));
        return false;
    }
    // The name goes into a connection string, where a blank or a quote would start another
    // keyword.
    if (!isServiceName(m_service)) {
        fail(schoolreasons::make(SchoolReason::NoSuchService,
                                 QStringLiteral("\"%1\" is not a service name").arg(m_service)));
        return false;
    }
    if (!QSqlDatabase::contains(m_connection))
        QSqlDatabase::addDatabase(QLatin1String(driverName), m_connection);
    bool opened = false;
    {
        QSqlDatabase db = database();
        db.setConnectOptions(connectOptions(m_service, m_limits));
        // Connecting, and the driver's own first statements, are one exchange.
        if (!exchange([&] { opened = db.open(); }))
            opened = false;
        else if (!opened)
            fail(schoolreasons::ofConnect(m_service, errorText(db.lastError()),
                                          schoolreasons::passwordFile()));
    }
    if (!opened) {
        if (m_timedOut)
            forget();
        else
            close();
        return false;
    }
    m_error.clear();
    m_failure = {};
    return true;
}

void SchoolServer::close()
{
    if (QSqlDatabase::contains(m_connection))
        database().close();
}

QList<QUuid> SchoolServer::deliver(const QList<ChildRound> &rounds)
{
    QList<QUuid> committed;
    m_refused.clear();
    if (rounds.isEmpty() || !open())
        return committed;
    m_error.clear();
    m_failure = {};
    bool lost = false;
    {
        QSqlDatabase db = database();
        // Outlives each rollback: the driver frees its prepared statement when the query goes,
        // which a transaction that failed would refuse.
        ServerStatement query(*this);
        for (const ChildRound &round : rounds) {
            const QString uuid = round.record.uuid.toString(QUuid::WithoutBraces);
            const QString notSent = QStringLiteral("round %1 not sent: ").arg(uuid);
            const QString refusal = round.child.account.isEmpty()
                                        ? QStringLiteral("the round has no account")
                                        : childnames::refusal(round.child.name);
            if (round.record.uuid.isNull() || !refusal.isEmpty()) {
                // The server could never take it: set aside like a round the server refuses.
                fail(schoolreasons::make(SchoolReason::RoundRefused,
                                         refusal.isEmpty() ? QStringLiteral("it has no UUID")
                                                           : refusal),
                     notSent);
                m_refused.append({round.record.uuid, m_failure.line()});
                continue;
            }
            // A connection the server has dropped since the last time is opened again next time.
            bool begun = false;
            if (!exchange([&] { begun = db.transaction(); })) {
                lost = true;
                break;
            }
            if (!begun) {
                fail(schoolreasons::ofStatement(db.lastError(), m_limits.statementMs),
                     QStringLiteral("the server does not start a transaction: "));
                lost = true;
                break;
            }
            QSqlError failure;
            if (!addRound(query, round))
                failure = query.lastError();
            bool done = false;
            if (!m_timedOut && !failure.isValid() && exchange([&] { done = db.commit(); }) &&
                done) {
                committed.append(round.record.uuid);
                continue;
            }
            if (m_timedOut) {
                m_error = notSent + m_failure.line();
                lost = true;
                break;
            }
            if (!failure.isValid())
                failure = db.lastError();
            fail(schoolreasons::ofStatement(failure, m_limits.statementMs), notSent);
            // A round the server refuses for good does not stop the others; any other failure
            // would befall them too.
            const bool refused = m_failure.reason == SchoolReason::RoundRefused;
            if (refused)
                m_refused.append({round.record.uuid, m_failure.line()});
            // A connection that cannot even roll back is gone.
            bool rolledBack = false;
            if (!exchange([&] { rolledBack = db.rollback(); }) || !rolledBack) {
                lost = true;
                break;
            }
            if (!refused)
                break;
        }
        if (m_timedOut) {
            // The driver goes before the statement, which would otherwise try to free itself
            // on the socket that was shut down.
            db = QSqlDatabase();
            forget();
        }
    }
    if (lost && !m_timedOut)
        close();
    return committed;
}

SchoolCheck SchoolServer::check()
{
    const QString unknown = QStringLiteral("unknown");
    QString role = unknown, add = unknown, read = unknown;
    bool ok = false;
    const auto finish = [&](const QString &server) {
        SchoolCheck check = checkLines(server, role, add, read);
        check.ok = ok;
        check.failure = m_failure;
        return check;
    };
    if (!driverInstalled()) {
        fail(schoolreasons::make(SchoolReason::NoDriver, QLatin1String(noDriver)));
        return finish(m_failure.checkLine());
    }
    if (!open())
        return finish(m_failure.checkLine());

    std::optional<SchoolCheck> result;
    {
        ServerStatement query(*this);
        const auto failed = [&] {
            if (!m_timedOut)
                fail(schoolreasons::ofStatement(query.lastError(), m_limits.statementMs));
            return finish(m_failure.checkLine());
        };
        result = [&]() -> SchoolCheck {
            if (!query.exec(
                    QStringLiteral("SELECT current_user, current_setting('server_version'), "
                                   "to_regclass('schema_version') IS NOT NULL")) ||
                !query.next())
                return failed();
            role = query.value(0).toString();
            const QString answers = QStringLiteral("answers (service \"%1\", PostgreSQL %2")
                                        .arg(m_service, query.value(1).toString());
            if (!query.value(2).toBool()) {
                add = read = QStringLiteral("no");
                return finish(answers +
                              QStringLiteral("), but its database has no tables for the game: "
                                             "apply school-1.sql"));
            }
            // Rows of the class are the teachers' unless row security is off for this role (the
            // tables' owner, a superuser).
            if (!query.exec(QStringLiteral(
                    "SELECT coalesce(has_function_privilege("
                    "to_regprocedure('kvadrilka_add_round(jsonb)'), 'EXECUTE'), false), "
                    "has_table_privilege('children', 'SELECT') AND "
                    "has_table_privilege('rounds', 'SELECT') AND "
                    "has_table_privilege('targets', 'SELECT') "
                    "AND (NOT row_security_active('rounds') OR "
                    "pg_has_role('kvadrilka_teachers', 'MEMBER')), "
                    "has_table_privilege('schema_version', 'SELECT'), "
                    "has_table_privilege('rounds', 'SELECT')")) ||
                !query.next())
                return failed();
            const bool mayAdd = query.value(0).toBool();
            const bool mayRead = query.value(1).toBool();
            const bool mayReadSome = query.value(3).toBool();
            add = mayAdd ? QStringLiteral("yes") : QStringLiteral("no");
            read = mayRead ? QStringLiteral("yes") : QStringLiteral("no");
            if (!query.value(2).toBool())
                return finish(answers +
                              QStringLiteral("), but the role is in none of the game's groups "
                                             "(kvadrilka_pupils, kvadrilka_teachers)"));
            if (!query.exec(QStringLiteral("SELECT max(version) FROM schema_version")) ||
                !query.next())
                return failed();
            const int version = query.value(0).toInt();
            ok = version >= 1 && (mayAdd || mayRead);
            // Rounds go through the function that version 3 brings, older servers take none;
            // version 4 keeps a renamed child whole.
            const QString older =
                version < schemaVersion
                    ? QStringLiteral(", but the game needs version %1: apply the steps up to "
                                     "school-%2-to-%1.sql")
                          .arg(schemaVersion)
                          .arg(schemaVersion - 1)
                    : QString();
            SchoolCheck checked =
                finish(answers + QStringLiteral(", schema version %1)").arg(version) + older);
            checked.mayReadClass = ok && mayRead;
            checked.mayReadOwn = ok && mayReadSome && !mayRead;
            checked.mayAdd = ok && mayAdd;
            return checked;
        }();
        if (m_timedOut)
            forget(); // the driver before the statement, as in deliver()
    }
    return *result;
}

bool SchoolServer::read(const std::function<bool(ServerStatement &)> &read)
{
    if (!open())
        return false;
    bool done = false;
    {
        ServerStatement query(*this);
        done = read(query);
        if (!done && !m_timedOut)
            fail(schoolreasons::ofStatement(query.lastError(), m_limits.statementMs));
        if (m_timedOut)
            forget(); // the driver before the statement, as in deliver()
    }
    if (!done && !m_timedOut)
        close();
    if (done) {
        m_error.clear();
        m_failure = {};
    }
    return done;
}

void SchoolServer::abandon() { m_watchdog->abandon(); }

SchoolCheck checkSchool(const SchoolConfig &config, SchoolLimits limits)
{
    if (config.hasServer())
        return SchoolServer(config.service, limits).check();
    const QString unknown = QStringLiteral("unknown");
    const QString why =
        !config.problem.isEmpty() ? config.problem
        : config.file.isEmpty()
            ? QStringLiteral("not set up (no kvadrilka/kvadrilka.conf in XDG_CONFIG_DIRS)")
            : QStringLiteral("not set up (%1 names no [school] service)").arg(config.file);
    return checkLines(why, unknown, unknown, unknown);
}
