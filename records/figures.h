// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "roundrecord.h"

#include <QList>

#include <optional>

// The diary's numbers. The speed of aiming is the usual effective throughput of pointing tests:
// it is meant for comparing one child with the same child over time, not with others or with
// any norm.
namespace figures {

// From the target's appearance to the scoring click, in milliseconds; none when not hit.
std::optional<qint64> timeToHit(const TargetRecord &target);

// The speed of aiming of one round: all its targets are of one size, so it is one condition.
struct Aiming
{
    // For each hit that counts, the click's signed distance from the centre along the line from
    // the start to the centre, in pixels: positive beyond the centre.
    QList<double> dx;
    double effectiveWidth = 0;    // We = 4.133 × the sample standard deviation of dx
    double effectiveDistance = 0; // De = mean of |centre − start| + dx
    double effectiveIndex = 0;    // IDe = log2(De / We + 1), in bits
    double movementS = 0;         // MT = mean of hit − first move, in seconds
    double throughput = 0;        // IDe / MT, in bits per second
    double reactionMs = 0;        // mean of first move − appearance
};
// Fewer than this many hits with every measure give no figure: a deviation of two or three
// clicks says nothing.
constexpr int fewestHitsForAiming = 5;
// None with too few hits that have a start, a centre, a click and a first move before the hit;
// targets without them (rounds kept before they were recorded) count for nothing.
std::optional<Aiming> aiming(const QList<TargetRecord> &targets);

struct RoundFigures
{
    std::optional<double> medianTimeToHitMs; // over the hit targets
    int hits = 0;                            // targets hit; the score also takes off penalties
    int misses = 0;                          // clicks on the empty field, all turns
    int penalties = 0;                       // notices of every kind
    std::optional<double> throughput;        // the speed of aiming, bits per second
    std::optional<double> reactionMs;        // mean from appearance to the first move
};
RoundFigures ofRound(const QList<TargetRecord> &targets);

} // namespace figures
