// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diaryround.h"

#include <QList>

class QSqlDatabase;
class QSqlError;

// Rounds and targets as rows of the diary file. Writes run inside the caller's transaction.
namespace roundrows {

// Whether the tables have every column this version reads and writes.
bool check(const QSqlDatabase &db, QSqlError *error);
// Adds the round with its targets unless a round of the same UUID is already there.
bool insert(const QSqlDatabase &db, const RoundRecord &record, QSqlError *error);
bool removeAll(const QSqlDatabase &db, QSqlError *error);
// Newest first.
bool rounds(const QSqlDatabase &db, QList<DiaryRound> *rounds, QSqlError *error);
bool targets(const QSqlDatabase &db, qint64 roundId, QList<TargetRecord> *targets,
             QSqlError *error);

} // namespace roundrows
