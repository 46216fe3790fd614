// SPDX-License-Identifier: GPL-3.0-or-later
#include "childrows.h"

#include <QCollator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <algorithm>

namespace childrows {

namespace {

bool failed(const QSqlQuery &query, QSqlError *error)
{
    *error = query.lastError();
    return false;
}

// The key of a removed child: names with control characters are refused, so no child has it.
const char removedKey[] = "char(1) || id";

} // namespace

std::optional<qint64> find(const QSqlDatabase &db, const Child &child, QSqlError *error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT id FROM children WHERE account = ? AND name_key = ?"));
    query.addBindValue(child.account);
    query.addBindValue(childnames::key(child.name));
    if (!query.exec()) {
        *error = query.lastError();
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

bool ensure(const QSqlDatabase &db, const Child &child, qint64 *id, QSqlError *error,
            QUuid *identity)
{
    *error = QSqlError();
    QSqlQuery query(db);
    // A round comes for the child it was played by, whatever the child is called now; a child
    // removed meanwhile is added again under the name the round gives.
    if (!child.identity.isNull()) {
        query.prepare(QStringLiteral("SELECT id FROM children WHERE identity = ? AND account = ? "
                                     "AND name_key <> %1")
                          .arg(QLatin1String(removedKey)));
        query.addBindValue(child.identity.toString(QUuid::WithoutBraces));
        query.addBindValue(child.account);
        if (!query.exec())
            return failed(query, error);
        if (query.next()) {
            *id = query.value(0).toLongLong();
            if (identity)
                *identity = child.identity;
            return true;
        }
        query.finish();
    }
    if (const std::optional<qint64> known = find(db, child, error)) {
        *id = *known;
        if (!identity)
            return true;
        query.prepare(QStringLiteral("SELECT identity FROM children WHERE id = ?"));
        query.addBindValue(*known);
        if (!query.exec())
            return failed(query, error);
        *identity = query.next() ? QUuid::fromString(query.value(0).toString()) : QUuid();
        return true;
    }
    if (error->type() != QSqlError::NoError)
        return false;
    // The identity the round brings, unless a removed child still waiting for the school has it.
    QUuid given = child.identity;
    if (!given.isNull()) {
        query.prepare(QStringLiteral("SELECT 1 FROM children WHERE identity = ?"));
        query.addBindValue(given.toString(QUuid::WithoutBraces));
        if (!query.exec())
            return failed(query, error);
        if (query.next())
            given = QUuid();
        query.finish();
    }
    if (given.isNull())
        given = QUuid::createUuid();
    if (identity)
        *identity = given;
    query.prepare(QStringLiteral(
        "INSERT INTO children (account, name, name_key, identity) VALUES (?, ?, ?, ?)"));
    query.addBindValue(child.account);
    query.addBindValue(childnames::cleaned(child.name));
    query.addBindValue(childnames::key(child.name));
    query.addBindValue(given.toString(QUuid::WithoutBraces));
    if (!query.exec())
        return failed(query, error);
    *id = query.lastInsertId().toLongLong();
    return true;
}

bool list(const QSqlDatabase &db, QList<std::pair<qint64, Child>> *children, QSqlError *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT id, account, name, identity FROM children WHERE name_key <> %1")
                .arg(QLatin1String(removedKey))))
        return failed(query, error);
    while (query.next())
        children->append({query.value(0).toLongLong(),
                          {query.value(1).toString(), query.value(2).toString(),
                           QUuid::fromString(query.value(3).toString())}});
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(children->begin(), children->end(), [&](const auto &a, const auto &b) {
        return collator.compare(a.second.name, b.second.name) < 0;
    });
    return true;
}

bool rename(const QSqlDatabase &db, qint64 childId, const QString &name, bool *taken,
            QSqlError *error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT count(*) FROM children WHERE name_key = ? AND id <> ? "
                                 "AND account = (SELECT account FROM children WHERE id = ?)"));
    query.addBindValue(childnames::key(name));
    query.addBindValue(childId);
    query.addBindValue(childId);
    if (!query.exec() || !query.next())
        return failed(query, error);
    *taken = query.value(0).toInt() > 0;
    if (*taken)
        return false;
    query.finish();
    query.prepare(QStringLiteral("UPDATE children SET name = ?, name_key = ? WHERE id = ?"));
    query.addBindValue(childnames::cleaned(name));
    query.addBindValue(childnames::key(name));
    query.addBindValue(childId);
    return query.exec() || failed(query, error);
}

bool removeRounds(const QSqlDatabase &db, qint64 childId, bool keepUnsent, QSqlError *error)
{
    // Kept: what the school's server has yet to get; not what it has, nor what it refused.
    const QString which = keepUnsent ? QStringLiteral("child_id = ? AND sent IN (1, 3)")
                                     : QStringLiteral("child_id = ?");
    QSqlQuery query(db);
    query.prepare(
        QStringLiteral("DELETE FROM targets WHERE round_id IN (SELECT id FROM rounds WHERE %1)")
            .arg(which));
    query.addBindValue(childId);
    if (!query.exec())
        return failed(query, error);
    query.prepare(QStringLiteral("DELETE FROM rounds WHERE %1").arg(which));
    query.addBindValue(childId);
    if (!query.exec())
        return failed(query, error);
    if (!keepUnsent)
        return true;
    query.prepare(QStringLiteral("UPDATE rounds SET sent = 2 WHERE child_id = ? AND sent = 0"));
    query.addBindValue(childId);
    return query.exec() || failed(query, error);
}

bool remove(const QSqlDatabase &db, qint64 childId, bool keepUnsent, QSqlError *error)
{
    if (!removeRounds(db, childId, keepUnsent, error))
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE children SET name_key = %1 WHERE id = ?")
                      .arg(QLatin1String(removedKey)));
    query.addBindValue(childId);
    if (!query.exec())
        return failed(query, error);
    return forgetRemoved(db, error);
}

bool forgetRemoved(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("DELETE FROM children WHERE name_key = %1 AND NOT EXISTS "
                                     "(SELECT 1 FROM rounds WHERE child_id = children.id)")
                          .arg(QLatin1String(removedKey))) ||
           failed(query, error);
}

} // namespace childrows
