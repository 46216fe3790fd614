// SPDX-License-Identifier: GPL-3.0-or-later
#include "classrows.h"

#include <algorithm>

namespace classrows {

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

} // namespace

ClassRow summarise(const Child &child, const QList<Line> &newestFirst, const QDateTime &now)
{
    ClassRow row;
    row.child = child;
    if (newestFirst.isEmpty())
        return row;
    const Line &latest = newestFirst.first();
    row.lastPlayed = latest.started;
    row.latestLevel = latest.level;
    row.latestScore = latest.score;
    row.latestEnded = latest.ended;
    const QDateTime weekAgo = now.addDays(-7);
    QList<double> medians;
    for (const Line &line : newestFirst) {
        if (line.started > weekAgo)
            ++row.roundsLastWeek;
        if (line.ended)
            row.bestScore = std::max(row.bestScore.value_or(line.score), line.score);
        // A round without a hit has no time to hit and says nothing of the trend.
        if (line.medianTimeToHitMs && medians.size() < 2 * trendRounds)
            medians.append(*line.medianTimeToHitMs);
    }
    if (medians.size() >= trendRounds)
        row.recentMedianMs = median(medians.mid(0, trendRounds));
    if (medians.size() >= 2 * trendRounds)
        row.earlierMedianMs = median(medians.mid(trendRounds, trendRounds));
    return row;
}

} // namespace classrows
