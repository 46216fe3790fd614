// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "roundrecord.h"

#include <QString>

#include <cstdint>

// The fixed figures and texts of a round.
namespace rules {

constexpr int roundLength = 30;
constexpr int firstInterval = 3000;
constexpr int verticalRange = 8085;
constexpr int horizontalRange = 11010;
// Where target 1 of every round stands, and its size before the level sets it, in twips.
constexpr int firstLeft = 10680;
constexpr int firstTop = 7680;
constexpr int designSize = 735;

// Colours are written 0xBBGGRR.
constexpr std::uint32_t ReadyColour = 0x80FF80;
constexpr std::uint32_t HitColour = 0x0000FF;
constexpr std::uint32_t FieldColour = 0x008000;
constexpr std::uint32_t TitleColour = 0x00FF00;
constexpr std::uint32_t VersionColour = 0x00C000;

// A long run of clicks must not wrap the 16-bit counters: they stop at the limits.
std::int16_t increment(std::int16_t value);
std::int16_t decrement(std::int16_t value);

// How long the target after number n stays, in milliseconds.
int intervalAfter(int n);

struct Level
{
    QString name;
    int sizeTwips;
};
// Levels 1 to 4, from the largest target to the smallest.
Level level(int number);

QString gradeText(int hits);
// The result box's text for a finished round; the grade line is the one gradeText() gives.
QString resultText(int hits, const QString &grade);
QString resultTitle();

// A notice box and what it costs the player.
struct Notice
{
    QString text;
    QString title;
    bool forfeitsTurn;
    bool costsPoint;
};
Notice notice(Penalty penalty);

} // namespace rules
