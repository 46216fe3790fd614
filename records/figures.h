// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "roundrecord.h"

#include <QList>

#include <optional>

// The diary's numbers. The pointing index and the throughput follow the usual
// distance-over-width measure of aiming; they are meant for comparing one child with the same
// child over time, not with others or with any norm.
namespace figures {

// log2(D / W + 1) in bits; none when the pointer was off the field or the width is unknown.
std::optional<double> pointingIndex(const TargetRecord &target);
// From the target's appearance to the scoring click, in milliseconds; none when not hit.
std::optional<qint64> timeToHit(const TargetRecord &target);
// Pointing index over time to hit in seconds, in bits per second; none without both.
std::optional<double> throughput(const TargetRecord &target);

struct RoundFigures
{
    std::optional<double> medianTimeToHitMs; // over the hit targets
    int hits = 0;                            // targets hit; the score also takes off penalties
    int misses = 0;                          // clicks on the empty field, all turns
    int penalties = 0;                       // notices of every kind
    std::optional<double> throughput;        // mean over targets with a hit and a distance
};
RoundFigures ofRound(const QList<TargetRecord> &targets);

} // namespace figures
