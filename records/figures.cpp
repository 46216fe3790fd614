// SPDX-License-Identifier: GPL-3.0-or-later
#include "figures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace figures {

std::optional<double> pointingIndex(const TargetRecord &target)
{
    // Written so that a NaN from a broken measurement counts as unknown too.
    if (!(target.distance >= 0) || !(target.width > 0))
        return std::nullopt;
    return std::log2(target.distance / target.width + 1);
}

std::optional<qint64> timeToHit(const TargetRecord &target)
{
    if (target.hitAfterMs < 0)
        return std::nullopt;
    return target.hitAfterMs;
}

std::optional<double> throughput(const TargetRecord &target)
{
    const std::optional<double> index = pointingIndex(target);
    const std::optional<qint64> time = timeToHit(target);
    // A hit reported at 0 ms has no speed worth dividing by.
    if (!index || !time || *time <= 0)
        return std::nullopt;
    return *index / (double(*time) / 1000.0);
}

RoundFigures ofRound(const QList<TargetRecord> &targets)
{
    RoundFigures result;
    std::vector<qint64> times;
    double throughputSum = 0;
    int throughputCount = 0;
    for (const TargetRecord &target : targets) {
        result.misses += target.misses;
        result.penalties += int(target.penalties.size());
        if (const auto time = timeToHit(target)) {
            times.push_back(*time);
            ++result.hits;
        }
        if (const auto perTarget = throughput(target)) {
            throughputSum += *perTarget;
            ++throughputCount;
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
    if (throughputCount > 0)
        result.throughput = throughputSum / throughputCount;
    return result;
}

} // namespace figures
