// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

#include <QDateTime>
#include <QList>

#include <optional>

// The class view's figures of one child, from a few facts of each of its rounds.
namespace classrows {

struct Line
{
    QDateTime started;
    int level = 1;
    int score = 0;
    bool ended = true; // played to the end, not ended early
    std::optional<double> medianTimeToHitMs;
};

// How many rounds each side of the trend takes.
constexpr int trendRounds = 5;

ClassRow summarise(const Child &child, const QList<Line> &newestFirst, const QDateTime &now);

} // namespace classrows
