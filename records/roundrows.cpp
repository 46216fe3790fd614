// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundrows.h"
#include "measured.h"
#include "penaltycodes.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

namespace roundrows {

namespace {

const char roundColumns[] = "id, started_ms, utc_offset_s, level, right_button, double_click, "
                            "ending, score, grade, median_hit_ms, misses, penalties, throughput, "
                            "uuid, reaction_ms, child_id";
// What the school's server has not got yet: what is counted is what is sent. The child comes
// with it, so a round without one waits until the diary file adopts it.
const char waiting[] =
    "FROM rounds JOIN children ON children.id = rounds.child_id WHERE sent IN (0, 2)";
const char targetColumns[] =
    "number, shown_at_ms, hit_after_ms, penalties, misses, distance, width, start_x, start_y, "
    "centre_x, centre_y, click_x, click_y, moved_after_ms";

QVariant nullable(std::optional<double> value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> optionalFrom(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

// A point goes into two columns, both NULL when it is not known (or not a number).
void bindPoint(QSqlQuery &query, std::optional<QPointF> point)
{
    point = measured::point(point);
    query.addBindValue(nullable(point ? std::optional(point->x()) : std::nullopt));
    query.addBindValue(nullable(point ? std::optional(point->y()) : std::nullopt));
}

std::optional<QPointF> pointFrom(const QVariant &x, const QVariant &y)
{
    if (x.isNull() || y.isNull())
        return std::nullopt;
    return QPointF(x.toDouble(), y.toDouble());
}

QString notNull(const QString &text) { return text.isNull() ? QStringLiteral("") : text; }

bool failed(const QSqlQuery &query, QSqlError *error)
{
    *error = query.lastError();
    return false;
}

} // namespace

bool check(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery query(db);
    return (query.exec(
                QStringLiteral("SELECT %1 FROM rounds LIMIT 0").arg(QLatin1String(roundColumns))) &&
            query.exec(QStringLiteral("SELECT round_id, position, %1 FROM targets LIMIT 0")
                           .arg(QLatin1String(targetColumns))) &&
            query.exec(QStringLiteral(
                "SELECT id, account, name, name_key, identity FROM children LIMIT 0"))) ||
           failed(query, error);
}

bool insert(const QSqlDatabase &db, const RoundRecord &record, qint64 childId, QSqlError *error)
{
    const QDateTime started =
        record.started.isValid() ? record.started : QDateTime::currentDateTime();
    const figures::RoundFigures figures = figures::ofRound(record.targets);
    QSqlQuery query(db);
    // The same round may come twice: from an outbox whose clean-up a crash cut short.
    query.prepare(QStringLiteral("INSERT INTO rounds (%1) VALUES "
                                 "(NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                                 "ON CONFLICT (uuid) DO NOTHING")
                      .arg(QLatin1String(roundColumns)));
    query.addBindValue(started.toMSecsSinceEpoch());
    query.addBindValue(started.offsetFromUtc());
    query.addBindValue(record.level);
    query.addBindValue(int(record.rightButton));
    query.addBindValue(int(record.doubleClick));
    query.addBindValue(int(record.ending));
    query.addBindValue(record.score);
    query.addBindValue(notNull(record.grade));
    query.addBindValue(nullable(figures.medianTimeToHitMs));
    query.addBindValue(figures.misses);
    query.addBindValue(figures.penalties);
    query.addBindValue(nullable(figures.throughput));
    query.addBindValue(record.uuid.toString(QUuid::WithoutBraces));
    query.addBindValue(nullable(figures.reactionMs));
    query.addBindValue(childId);
    if (!query.exec())
        return failed(query, error);
    if (query.numRowsAffected() == 0)
        return true;
    const qint64 id = query.lastInsertId().toLongLong();

    QSqlQuery target(db);
    target.prepare(QStringLiteral("INSERT INTO targets (round_id, position, %1) VALUES "
                                  "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                       .arg(QLatin1String(targetColumns)));
    for (qsizetype position = 0; position < record.targets.size(); ++position) {
        const TargetRecord &t = record.targets.at(position);
        target.addBindValue(id);
        target.addBindValue(qint64(position));
        bindTarget(target, t);
        if (!target.exec())
            return failed(target, error);
    }
    return true;
}

void roundFrom(const QSqlQuery &query, DiaryRound *round)
{
    round->level = query.value(3).toInt();
    round->rightButton = query.value(4).toBool();
    round->doubleClick = query.value(5).toBool();
    round->ending = endingFromCode(query.value(6).toInt());
    round->score = query.value(7).toInt();
    round->grade = query.value(8).toString();
    round->figures.medianTimeToHitMs = optionalFrom(query.value(9));
    round->figures.misses = query.value(10).toInt();
    round->figures.penalties = query.value(11).toInt();
    round->figures.throughput = optionalFrom(query.value(12));
}

bool rounds(const QSqlDatabase &db, qint64 childId, QList<DiaryRound> *rounds, QSqlError *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // The hits are counted from the targets, which rounds kept before the count was shown have.
    query.prepare(QStringLiteral("SELECT %1, (SELECT count(*) FROM targets WHERE round_id = "
                                 "rounds.id AND hit_after_ms >= 0) FROM rounds "
                                 "WHERE child_id = ? AND sent <> 2 "
                                 "ORDER BY started_ms DESC, id DESC")
                      .arg(QLatin1String(roundColumns)));
    query.addBindValue(childId);
    if (!query.exec())
        return failed(query, error);
    while (query.next()) {
        DiaryRound round;
        round.id = query.value(0).toLongLong();
        round.started = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(),
                                                       QTimeZone(query.value(2).toInt()));
        roundFrom(query, &round);
        round.uuid = QUuid::fromString(query.value(13).toString());
        round.figures.reactionMs = optionalFrom(query.value(14));
        round.figures.hits = query.value(16).toInt();
        rounds->append(round);
    }
    return true;
}

bool lines(const QSqlDatabase &db, QHash<qint64, QList<classrows::Line>> *lines, QSqlError *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT child_id, started_ms, utc_offset_s, level, score, "
                                   "ending, median_hit_ms FROM rounds WHERE sent <> 2 "
                                   "ORDER BY child_id, started_ms DESC, id DESC")))
        return failed(query, error);
    while (query.next()) {
        (*lines)[query.value(0).toLongLong()].append(
            {QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(),
                                            QTimeZone(query.value(2).toInt())),
             query.value(3).toInt(), query.value(4).toInt(),
             endingFromCode(query.value(5).toInt()) == RoundEnding::Result,
             optionalFrom(query.value(6))});
    }
    return true;
}

bool unsent(const QSqlDatabase &db, int limit, QList<Played> *rounds, QSqlError *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT rounds.id, started_ms, utc_offset_s, level, right_button, "
                       "double_click, ending, score, grade, uuid, account, name, identity "
                       "%1 ORDER BY started_ms, rounds.id LIMIT ?")
            .arg(QLatin1String(waiting)));
    query.addBindValue(limit);
    if (!query.exec())
        return failed(query, error);
    QList<qint64> ids;
    while (query.next()) {
        ids.append(query.value(0).toLongLong());
        RoundRecord record;
        record.started = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(),
                                                        QTimeZone(query.value(2).toInt()));
        record.level = query.value(3).toInt();
        record.rightButton = query.value(4).toBool();
        record.doubleClick = query.value(5).toBool();
        record.ending = endingFromCode(query.value(6).toInt());
        record.score = query.value(7).toInt();
        record.grade = query.value(8).toString();
        record.uuid = QUuid::fromString(query.value(9).toString());
        rounds->append({{query.value(10).toString(), query.value(11).toString(),
                         QUuid::fromString(query.value(12).toString())},
                        record});
    }
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (!targets(db, ids.at(i), &(*rounds)[i].record.targets, error))
            return false;
    }
    return true;
}

bool countUnsent(const QSqlDatabase &db, int *count, QSqlError *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT count(*) %1").arg(QLatin1String(waiting))) ||
        !query.next())
        return failed(query, error);
    *count = query.value(0).toInt();
    return true;
}

namespace {

// Rounds the server has answered for, marked so: 1 sent, 3 refused. A round cleared from the
// diary while it waited was kept only until now.
bool settle(const QSqlDatabase &db, const QList<QUuid> &uuids, int mark, QSqlError *error)
{
    const QString statements[] = {
        QStringLiteral("UPDATE rounds SET sent = %1 WHERE uuid = ? AND sent = 0").arg(mark),
        QStringLiteral("DELETE FROM targets WHERE round_id IN "
                       "(SELECT id FROM rounds WHERE uuid = ? AND sent = 2)"),
        QStringLiteral("DELETE FROM rounds WHERE uuid = ? AND sent = 2"),
    };
    QSqlQuery query(db);
    for (const QString &statement : statements) {
        if (!query.prepare(statement))
            return failed(query, error);
        for (const QUuid &uuid : uuids) {
            query.addBindValue(uuid.toString(QUuid::WithoutBraces));
            if (!query.exec())
                return failed(query, error);
        }
    }
    return true;
}

} // namespace

bool markSent(const QSqlDatabase &db, const QList<QUuid> &uuids, QSqlError *error)
{
    return settle(db, uuids, 1, error);
}

bool markRefused(const QSqlDatabase &db, const QList<QUuid> &uuids, QSqlError *error)
{
    return settle(db, uuids, 3, error);
}

bool countRefused(const QSqlDatabase &db, int *count, QSqlError *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM rounds WHERE sent = 3")) || !query.next())
        return failed(query, error);
    *count = query.value(0).toInt();
    return true;
}

namespace {

bool targetsWhere(const QSqlDatabase &db, const char *round, const QVariant &key,
                  QList<TargetRecord> *targets, QSqlError *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM targets WHERE round_id = %2 ORDER BY position")
                      .arg(QLatin1String(targetColumns), QLatin1String(round)));
    query.addBindValue(key);
    if (!query.exec())
        return failed(query, error);
    while (query.next())
        targets->append(targetFrom(query));
    return true;
}

} // namespace

bool targets(const QSqlDatabase &db, qint64 roundId, QList<TargetRecord> *targets, QSqlError *error)
{
    return targetsWhere(db, "?", roundId, targets, error);
}

bool targets(const QSqlDatabase &db, const QUuid &round, QList<TargetRecord> *targets,
             QSqlError *error)
{
    return targetsWhere(db, "(SELECT id FROM rounds WHERE uuid = ?)",
                        round.toString(QUuid::WithoutBraces), targets, error);
}

QString targetColumnList() { return QLatin1String(targetColumns); }

void bindTarget(QSqlQuery &query, const TargetRecord &t)
{
    query.addBindValue(t.number);
    query.addBindValue(t.shownAtMs);
    query.addBindValue(t.hitAfterMs);
    query.addBindValue(penaltycodes::text(t.penalties));
    query.addBindValue(t.misses);
    // A NaN would be NULL, which a NOT NULL column refuses: one bad measurement must not keep
    // the whole round out of the diary, nor off the school's server.
    query.addBindValue(measured::orElse(t.distance, -1));
    query.addBindValue(measured::orElse(t.width, 0));
    bindPoint(query, t.start);
    bindPoint(query, t.centre);
    bindPoint(query, t.click);
    query.addBindValue(t.movedAfterMs >= 0 ? QVariant(t.movedAfterMs)
                                           : QVariant(QMetaType::fromType<qint64>()));
}

TargetRecord targetFrom(const QSqlQuery &query)
{
    TargetRecord target;
    target.number = query.value(0).toInt();
    target.shownAtMs = query.value(1).toLongLong();
    target.hitAfterMs = query.value(2).toLongLong();
    target.penalties = penaltycodes::from(query.value(3).toString());
    target.misses = query.value(4).toInt();
    target.distance = query.value(5).toDouble();
    target.width = query.value(6).toDouble();
    target.start = pointFrom(query.value(7), query.value(8));
    target.centre = pointFrom(query.value(9), query.value(10));
    target.click = pointFrom(query.value(11), query.value(12));
    target.movedAfterMs = query.value(13).isNull() ? -1 : query.value(13).toLongLong();
    return target;
}

} // namespace roundrows
