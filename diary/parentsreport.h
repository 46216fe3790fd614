// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "diaryround.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The parents' report: a PDF with one A4 page per child, for a period of days, with the rounds
// played, the score, the time to hit and the speed of aiming over time, and a few sentences on
// what changed.
namespace parentsreport {

// Both days included, in the calendar of the child's own clock.
struct Period
{
    QDate from;
    QDate to;
};

struct ChildRounds
{
    Child child;
    QList<DiaryRound> rounds; // newest first, as the records give them; any period
};

constexpr int defaultDays = 30;
// Half of these on each side of the middle before two halves of a period are compared.
constexpr int fewestRoundsToCompare = 6;

// The last defaultDays days up to today.
Period lastDays(const QDate &today);
// "7 декабря 2026 г."
QString dayText(const QDate &date);
// "с 8 ноября по 7 декабря 2026 г."
QString periodText(const Period &period);
// "Отчёт 2026-12-07.pdf"
QString suggestedFileName(const QDate &today);
// The rounds started within the period, oldest first.
QList<DiaryRound> inPeriod(const QList<DiaryRound> &rounds, const Period &period);
// Two or three sentences for a parent on what changed over these rounds (oldest first).
QStringList changes(const QList<DiaryRound> &rounds, const Period &period);

// Whether the children come from several accounts: then two of one name are told apart by the
// account beside the name, in the dialog and on the pages.
bool withAccounts(const QList<Child> &children);
// "Маша", or with the account "Маша (anna)", as the class view shows it.
QString shownName(const Child &child, bool withAccount);

// Writes the whole file or leaves none; empty when it did, else a sentence for the parent.
QString write(const QString &fileName, const QList<ChildRounds> &children, const Period &period,
              const QDateTime &now, bool withAccounts = false);

} // namespace parentsreport
