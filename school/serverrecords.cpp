// SPDX-License-Identifier: GPL-3.0-or-later
#include "serverrecords.h"
#include "roundrows.h"
#include "schoolserver.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

namespace {

std::optional<double> optionalFrom(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

QDateTime timeFrom(const QVariant &started, const QVariant &offset)
{
    return started.toDateTime().toTimeZone(QTimeZone(offset.toInt()));
}

} // namespace

ServerRecords::ServerRecords(SchoolServer &server, const QString &place, QObject *parent)
    : Records(parent), m_server(server), m_place(place)
{
}

bool ServerRecords::opened()
{
    if (m_server.open())
        return true;
    m_problem = QStringLiteral("Школьный сервер не отвечает: %1").arg(m_server.errorMessage());
    return false;
}

QString ServerRecords::readOnly()
{
    return QStringLiteral("Дневник на школьном сервере можно только смотреть.");
}

bool ServerRecords::failed(const QSqlQuery &query)
{
    m_problem = QStringLiteral("Школьный сервер не отвечает: %1")
                    .arg(query.lastError().text().simplified());
    // A server that went away is connected to afresh next time.
    m_server.close();
    return false;
}

std::optional<QList<Child>> ServerRecords::children()
{
    if (!opened())
        return std::nullopt;
    QSqlQuery query(m_server.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT account, name FROM children ORDER BY name, account"))) {
        failed(query);
        return std::nullopt;
    }
    QList<Child> result;
    while (query.next())
        result.append(Child(query.value(0).toString(), query.value(1).toString()));
    m_problem.clear();
    return result;
}

std::optional<QList<ClassRow>> ServerRecords::classRows(const QDateTime &now)
{
    if (!opened())
        return std::nullopt;
    // One statement for the whole class, each child's figures from its own few index entries:
    // never the class's rounds to this computer.
    QSqlQuery query(m_server.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT c.account, c.name,"
        " (SELECT count(*) FROM rounds r WHERE r.account = c.account AND r.name_key = c.name_key"
        "   AND r.started > ?),"
        " latest.started, latest.utc_offset_s, latest.level, latest.score, latest.ending,"
        " (SELECT max(score) FROM rounds r WHERE r.account = c.account"
        "   AND r.name_key = c.name_key AND r.ending = 0),"
        " trend.recent, trend.earlier "
        "FROM children c "
        "LEFT JOIN LATERAL (SELECT started, utc_offset_s, level, score, ending FROM rounds r"
        "   WHERE r.account = c.account AND r.name_key = c.name_key"
        "   ORDER BY started DESC LIMIT 1) latest ON true "
        "LEFT JOIN LATERAL (SELECT"
        "   CASE WHEN count(*) FILTER (WHERE n <= 5) = 5 THEN percentile_cont(0.5)"
        "     WITHIN GROUP (ORDER BY m) FILTER (WHERE n <= 5) END AS recent,"
        "   CASE WHEN count(*) = 10 THEN percentile_cont(0.5)"
        "     WITHIN GROUP (ORDER BY m) FILTER (WHERE n > 5) END AS earlier"
        "   FROM (SELECT median_hit_ms AS m, row_number() OVER (ORDER BY started DESC) AS n"
        "     FROM rounds r WHERE r.account = c.account AND r.name_key = c.name_key"
        "     AND median_hit_ms IS NOT NULL ORDER BY started DESC LIMIT 10) last) trend ON true "
        "ORDER BY c.name, c.account"));
    query.addBindValue(now.addDays(-7).toUTC());
    if (!query.exec()) {
        failed(query);
        return std::nullopt;
    }
    QList<ClassRow> rows;
    while (query.next()) {
        ClassRow row;
        row.child = {query.value(0).toString(), query.value(1).toString()};
        row.roundsLastWeek = query.value(2).toInt();
        if (!query.value(3).isNull()) {
            row.lastPlayed = timeFrom(query.value(3), query.value(4));
            row.latestLevel = query.value(5).toInt();
            row.latestScore = query.value(6).toInt();
            row.latestEnded = endingFromCode(query.value(7).toInt()) == RoundEnding::Result;
        }
        if (!query.value(8).isNull())
            row.bestScore = query.value(8).toInt();
        row.recentMedianMs = optionalFrom(query.value(9));
        row.earlierMedianMs = optionalFrom(query.value(10));
        rows.append(row);
    }
    m_problem.clear();
    return rows;
}

std::optional<QList<DiaryRound>> ServerRecords::rounds(const Child &child)
{
    if (!opened())
        return std::nullopt;
    QSqlQuery query(m_server.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT uuid::text, started, utc_offset_s, level, right_button, double_click, ending,"
        " score, grade, median_hit_ms, misses, penalties, throughput, reaction_ms,"
        " (SELECT count(*) FROM targets t WHERE t.round_uuid = r.uuid AND t.hit_after_ms >= 0) "
        "FROM rounds r WHERE account = ? AND name_key = ? ORDER BY started DESC"));
    query.addBindValue(child.account);
    query.addBindValue(childnames::key(child.name));
    if (!query.exec()) {
        failed(query);
        return std::nullopt;
    }
    QList<DiaryRound> result;
    while (query.next()) {
        DiaryRound round;
        round.uuid = QUuid::fromString(query.value(0).toString());
        round.id = m_uuids.size() + 1;
        m_uuids.insert(round.id, round.uuid);
        round.started = timeFrom(query.value(1), query.value(2));
        round.level = query.value(3).toInt();
        round.rightButton = query.value(4).toBool();
        round.doubleClick = query.value(5).toBool();
        round.ending = endingFromCode(query.value(6).toInt());
        round.score = query.value(7).toInt();
        round.grade = query.value(8).toString();
        round.figures.medianTimeToHitMs = optionalFrom(query.value(9));
        round.figures.misses = query.value(10).toInt();
        round.figures.penalties = query.value(11).toInt();
        round.figures.throughput = optionalFrom(query.value(12));
        round.figures.reactionMs = optionalFrom(query.value(13));
        round.figures.hits = query.value(14).toInt();
        result.append(round);
    }
    m_problem.clear();
    return result;
}

QList<TargetRecord> ServerRecords::targets(qint64 roundId)
{
    QList<TargetRecord> result;
    if (!m_uuids.contains(roundId) || !opened())
        return result;
    QSqlQuery query(m_server.database());
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT %1 FROM targets WHERE round_uuid = ?::uuid ORDER BY position")
            .arg(roundrows::targetColumnList()));
    query.addBindValue(m_uuids.value(roundId).toString(QUuid::WithoutBraces));
    if (!query.exec()) {
        failed(query);
        return result;
    }
    while (query.next())
        result.append(roundrows::targetFrom(query));
    return result;
}

bool ServerRecords::clear(const Child &)
{
    m_problem = readOnly();
    return false;
}

QString ServerRecords::addChild(const QString &) { return readOnly(); }
QString ServerRecords::renameChild(const Child &, const QString &) { return readOnly(); }
QString ServerRecords::removeChild(const Child &) { return readOnly(); }
