// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "classrows.h"
#include "diaryround.h"

#include <QHash>

#include <QList>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// Rounds and targets as rows of the diary file. Writes run inside the caller's transaction.
// A round's column sent is 0 while it waits for the school's server and 1 once the server has it;
// 2 when it was cleared from the diary while it waited: out of sight, kept until it goes; 3 when
// the server refused it for good: shown, never offered again. A round cleared once refused, or
// refused once cleared, has nothing left to wait for and goes. A game of the version before
// offers only 0, so it sends neither 2 nor 3 (nor hides 2: it shows every round).
namespace roundrows {

// Whether the tables have every column this version reads and writes.
bool check(const QSqlDatabase &db, QSqlError *error);
// Adds the round with its targets unless a round of the same UUID is already there.
bool insert(const QSqlDatabase &db, const RoundRecord &record, qint64 childId, QSqlError *error);
// The child's, newest first.
bool rounds(const QSqlDatabase &db, qint64 childId, QList<DiaryRound> *rounds, QSqlError *error);
// Every child's rounds, newest first, as the class view needs them; by the child's number.
bool lines(const QSqlDatabase &db, QHash<qint64, QList<classrows::Line>> *lines, QSqlError *error);
// A round as it was played, with the child who played it under the child's name now: what goes
// to the school's server.
struct Played
{
    Child child;
    RoundRecord record;
};
// Up to limit rounds the school's server does not have yet, oldest first.
bool unsent(const QSqlDatabase &db, int limit, QList<Played> *rounds, QSqlError *error);
bool countUnsent(const QSqlDatabase &db, int *count, QSqlError *error);
// Those cleared from the diary meanwhile go from it now.
bool markSent(const QSqlDatabase &db, const QList<QUuid> &uuids, QSqlError *error);
// The school's server refuses these for good; those cleared from the diary meanwhile go from it
// now.
bool markRefused(const QSqlDatabase &db, const QList<QUuid> &uuids, QSqlError *error);
bool countRefused(const QSqlDatabase &db, int *count, QSqlError *error);
// The columns of a target, in the order targetFrom() reads them; the school's server has the
// same ones.
QString targetColumnList();
TargetRecord targetFrom(const QSqlQuery &query);
// Columns 3 to 12 of a round, where the diary file and the school's server list them alike:
// level, right_button, double_click, ending, score, grade, median_hit_ms, misses, penalties,
// throughput.
void roundFrom(const QSqlQuery &query, DiaryRound *round);
// Binds the target's columns, in that order, to the query's next placeholders.
void bindTarget(QSqlQuery &query, const TargetRecord &target);
bool targets(const QSqlDatabase &db, qint64 roundId, QList<TargetRecord> *targets,
             QSqlError *error);
bool targets(const QSqlDatabase &db, const QUuid &round, QList<TargetRecord> *targets,
             QSqlError *error);

} // namespace roundrows
