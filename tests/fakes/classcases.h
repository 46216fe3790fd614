// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classrows.h"

#include <QTest>

// The class view's cases, which this account's file and the school's server must both give: a
// child's rounds, newest first, seen at noon on 7 December; and the line of the view, as
// "rounds this week · last played · level and score of the latest · best · the two medians".
namespace classcases {

inline const QDateTime now{QDate(2026, 12, 7), QTime(12, 0)};

struct Line
{
    int daysAgo, score;
    std::optional<double> medianMs;
    bool ended = true;
    int level = 1;
};

// Rounds of one day a minute apart, so that a server that orders them by time sees this order.
inline QList<classrows::Line> lines(const QList<Line> &newestFirst)
{
    QList<classrows::Line> result;
    for (const Line &line : newestFirst)
        result.append({now.addDays(-line.daysAgo).addSecs(-60 * result.size()), line.level,
                       line.score, line.ended, line.medianMs});
    return result;
}

// Columns "lines" and "expected".
inline void addRows(bool withNeverPlayed)
{
    QTest::addColumn<QList<classrows::Line>>("lines");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QList<Line> &newestFirst, const char *expected) {
        QTest::newRow(name) << lines(newestFirst) << QString::fromUtf8(expected);
    };
    // clang-format off
    if (withNeverPlayed)
        row("never played", {}, "0 · - · L0 S0 · best - · -/-");
    row("an early end is the latest but not the best",
        {{0, 30, 900, false, 2}, {6, 20, 800}, {8, 25, 700}},
        "2 · 2026-12-07 · L2 S30 early · best 25 · -/-");
    row("five rounds with a time: no earlier five",
        {{1, 1, 500}, {1, 1, 400}, {2, 1, std::nullopt}, {2, 1, 300}, {3, 1, 200}, {3, 1, 100}},
        "6 · 2026-12-06 · L1 S1 · best 1 · 300/-");
    row("nine rounds with a time: still no trend",
        {{1, 1, 100}, {1, 1, 200}, {1, 1, 300}, {2, 1, 400}, {2, 1, 500}, {2, 1, 600},
         {3, 1, 700}, {3, 1, 800}, {3, 1, 900}},
        "9 · 2026-12-06 · L1 S1 · best 1 · 300/-");
    row("ten rounds: the last five against the five before",
        {{1, 9, 500}, {2, 9, 520}, {3, 9, 480}, {4, 9, 900}, {5, 9, 100}, {10, 9, 800},
         {11, 9, 820}, {12, 9, 780}, {13, 9, 850}, {14, 9, 10}, {15, 30, 5}},
        "5 · 2026-12-06 · L1 S9 · best 30 · 500/800");
    row("an even median",
        {{1, 1, 100}, {1, 1, 200}, {1, 1, 300}, {1, 1, 400}, {1, 1, 500}, {1, 1, 600},
         {1, 1, 700}, {1, 1, 800}, {1, 1, 900}, {1, 1, 1000}},
        "10 · 2026-12-06 · L1 S1 · best 1 · 300/800");
    // clang-format on
}

inline QString described(const ClassRow &row)
{
    const auto number = [](std::optional<double> value) {
        return value ? QString::number(*value) : QStringLiteral("-");
    };
    return QStringLiteral("%1 · %2 · L%3 S%4%5 · best %6 · %7/%8")
        .arg(row.roundsLastWeek)
        .arg(row.lastPlayed.isValid() ? row.lastPlayed.date().toString(Qt::ISODate) : "-")
        .arg(row.latestLevel)
        .arg(row.latestScore)
        .arg(row.latestEnded ? "" : " early")
        .arg(row.bestScore ? QString::number(*row.bestScore) : "-")
        .arg(number(row.recentMedianMs), number(row.earlierMedianMs));
}

} // namespace classcases
