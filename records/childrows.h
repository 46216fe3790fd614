// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

#include <QList>

#include <optional>
#include <utility>

class QSqlDatabase;
class QSqlError;

// Children as rows of the diary file. Writes run inside the caller's transaction. A child removed
// while some of its rounds still wait for the school's server stays in the file, out of sight and
// under no name a child can be found by, until the last of them goes.
namespace childrows {

// The child's number in the file, the child added first when it is not there yet: found by its
// identity when it has one the file knows (whatever its name now), else by its name. With
// identity, also the child's identity in the file.
bool ensure(const QSqlDatabase &db, const Child &child, qint64 *id, QSqlError *error,
            QUuid *identity = nullptr);
// None, with no error, when the file does not know the child.
std::optional<qint64> find(const QSqlDatabase &db, const Child &child, QSqlError *error);
// By name, as people sort them, each with its number in the file.
bool list(const QSqlDatabase &db, QList<std::pair<qint64, Child>> *children, QSqlError *error);
// False, with taken set, when the name is another child's already.
bool rename(const QSqlDatabase &db, qint64 childId, const QString &name, bool *taken,
            QSqlError *error);
// With keepUnsent, the rounds the school's server has not got stay, out of sight, until it has.
bool removeRounds(const QSqlDatabase &db, qint64 childId, bool keepUnsent, QSqlError *error);
bool remove(const QSqlDatabase &db, qint64 childId, bool keepUnsent, QSqlError *error);
// Forgets the removed children whose last round has gone to the school's server.
bool forgetRemoved(const QSqlDatabase &db, QSqlError *error);

} // namespace childrows
