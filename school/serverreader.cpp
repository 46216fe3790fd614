// SPDX-License-Identifier: GPL-3.0-or-later
#include "serverreader.h"
#include "roundrows.h"
#include "schoolserver.h"
#include "serverstatement.h"

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

std::optional<QList<Child>> ServerReader::children()
{
    QList<Child> result;
    const bool read = m_server.read([&](ServerStatement &query) {
        if (!query.exec(
                QStringLiteral("SELECT account, name FROM children ORDER BY name, account")))
            return false;
        while (query.next())
            result.append(Child(query.value(0).toString(), query.value(1).toString()));
        return true;
    });
    return read ? std::optional(result) : std::nullopt;
}

std::optional<QList<ClassRow>> ServerReader::classRows(const QDateTime &now)
{
    QList<ClassRow> rows;
    // One statement for the whole class, each child's figures from its own few index entries:
    // never the class's rounds to this computer.
    const bool read = m_server.read([&](ServerStatement &query) {
        if (!query.prepare(QStringLiteral(
                "SELECT c.account, c.name,"
                " (SELECT count(*) FROM rounds r WHERE r.account = c.account AND r.name_key = "
                "c.name_key"
                "   AND r.started > ?),"
                " latest.started, latest.utc_offset_s, latest.level, latest.score, latest.ending,"
                " (SELECT max(score) FROM rounds r WHERE r.account = c.account"
                "   AND r.name_key = c.name_key AND r.ending = 0),"
                " trend.recent, trend.earlier "
                "FROM children c "
                "LEFT JOIN LATERAL (SELECT started, utc_offset_s, level, score, ending FROM rounds "
                "r"
                "   WHERE r.account = c.account AND r.name_key = c.name_key"
                "   ORDER BY started DESC LIMIT 1) latest ON true "
                "LEFT JOIN LATERAL (SELECT"
                "   CASE WHEN count(*) FILTER (WHERE n <= 5) = 5 THEN percentile_cont(0.5)"
                "     WITHIN GROUP (ORDER BY m) FILTER (WHERE n <= 5) END AS recent,"
                "   CASE WHEN count(*) = 10 THEN percentile_cont(0.5)"
                "     WITHIN GROUP (ORDER BY m) FILTER (WHERE n > 5) END AS earlier"
                "   FROM (SELECT median_hit_ms AS m, row_number() OVER (ORDER BY started DESC) AS n"
                "     FROM rounds r WHERE r.account = c.account AND r.name_key = c.name_key"
                "     AND median_hit_ms IS NOT NULL ORDER BY started DESC LIMIT 10) last) trend ON "
                "true "
                "ORDER BY c.name, c.account")))
            return false;
        query.addBindValue(now.addDays(-7).toUTC());
        if (!query.exec())
            return false;
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
        return true;
    });
    return read ? std::optional(rows) : std::nullopt;
}

std::optional<QList<DiaryRound>> ServerReader::rounds(const Child &child)
{
    QList<DiaryRound> result;
    const bool read = m_server.read([&](ServerStatement &query) {
        if (!query.prepare(QStringLiteral(
                "SELECT uuid::text, started, utc_offset_s, level, right_button, double_click, "
                "ending,"
                " score, grade, median_hit_ms, misses, penalties, throughput, reaction_ms,"
                " (SELECT count(*) FROM targets t WHERE t.round_uuid = r.uuid AND t.hit_after_ms "
                ">= 0) "
                "FROM rounds r WHERE account = ? AND name_key = ? ORDER BY started DESC")))
            return false;
        query.addBindValue(child.account);
        query.addBindValue(childnames::key(child.name));
        if (!query.exec())
            return false;
        while (query.next()) {
            // Known by its UUID alone: the server has no number of ours for it.
            DiaryRound round;
            round.uuid = QUuid::fromString(query.value(0).toString());
            round.started = timeFrom(query.value(1), query.value(2));
            roundrows::roundFrom(query, &round);
            round.figures.reactionMs = optionalFrom(query.value(13));
            round.figures.hits = query.value(14).toInt();
            result.append(round);
        }
        return true;
    });
    return read ? std::optional(result) : std::nullopt;
}

std::optional<QList<TargetRecord>> ServerReader::targets(const QUuid &round)
{
    QList<TargetRecord> result;
    const bool read = m_server.read([&](ServerStatement &query) {
        if (!query.prepare(
                QStringLiteral(
                    "SELECT %1 FROM targets WHERE round_uuid = ?::uuid ORDER BY position")
                    .arg(roundrows::targetColumnList())))
            return false;
        query.addBindValue(round.toString(QUuid::WithoutBraces));
        if (!query.exec())
            return false;
        while (query.next())
            result.append(roundrows::targetFrom(query));
        return true;
    });
    return read ? std::optional(result) : std::nullopt;
}
