// SPDX-License-Identifier: GPL-3.0-or-later
#include "figures.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace figures {

std::optional<qint64> timeToHit(const TargetRecord &target)
{
    if (target.hitAfterMs < 0)
        return std::nullopt;
    return target.hitAfterMs;
}

std::optional<Aiming> aiming(const QList<TargetRecord> &targets)
{
    Aiming result;
    double amplitudeSum = 0, movementMsSum = 0, reactionMsSum = 0;
    for (const TargetRecord &target : targets) {
        if (target.hitAfterMs < 0 || !target.start || !target.centre || !target.click ||
            target.movedAfterMs < 0 || target.movedAfterMs > target.hitAfterMs)
            continue;
        const QPointF line = *target.centre - *target.start;
        const double amplitude = std::hypot(line.x(), line.y());
        // Started on the centre itself: no direction to measure along.
        if (!(amplitude > 0) || !std::isfinite(amplitude))
            continue;
        const double dx = QPointF::dotProduct(*target.click, line) / amplitude;
        if (!std::isfinite(dx))
            continue;
        result.dx.append(dx);
        amplitudeSum += amplitude + dx;
        movementMsSum += double(target.hitAfterMs - target.movedAfterMs);
        reactionMsSum += double(target.movedAfterMs);
    }
    const qsizetype n = result.dx.size();
    if (n < fewestHitsForAiming)
        return std::nullopt;
    const double mean = std::accumulate(result.dx.cbegin(), result.dx.cend(), 0.0) / double(n);
    double squares = 0;
    for (const double dx : std::as_const(result.dx))
        squares += (dx - mean) * (dx - mean);
    result.effectiveWidth = 4.133 * std::sqrt(squares / double(n - 1));
    result.effectiveDistance = amplitudeSum / double(n);
    result.movementS = movementMsSum / double(n) / 1000.0;
    result.reactionMs = reactionMsSum / double(n);
    // Every click on the same spot, or no time to move: no width or time to divide by.
    if (!(result.effectiveWidth > 0) || !(result.movementS > 0) || result.effectiveDistance < 0)
        return std::nullopt;
    result.effectiveIndex = std::log2(result.effectiveDistance / result.effectiveWidth + 1);
    result.throughput = result.effectiveIndex / result.movementS;
    return result;
}

RoundFigures ofRound(const QList<TargetRecord> &targets)
{
    RoundFigures result;
    std::vector<qint64> times;
    for (const TargetRecord &target : targets) {
        result.misses += target.misses;
        result.penalties += int(target.penalties.size());
        if (const auto time = timeToHit(target)) {
            times.push_back(*time);
            ++result.hits;
        }
    }
    if (!times.empty()) {
        const auto middle = times.begin() + std::ptrdiff_t(times.size() / 2);
        std::nth_element(times.begin(), middle, times.end());
        double median = double(*middle);
        if (times.size() % 2 == 0)
            median = (median + double(*std::max_element(times.begin(), middle))) / 2;
        result.medianTimeToHitMs = median;
    }
    if (const std::optional<Aiming> aim = aiming(targets)) {
        result.throughput = aim->throughput;
        result.reactionMs = aim->reactionMs;
    }
    return result;
}

} // namespace figures
