// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "design.h"

#include <QString>

#include <cstdint>

// The round's record. It outlives the game window's controls, so a lost turn and the miss
// count carry over into the next round until its first tick.
struct GameState
{
    std::int16_t TargetTop = 0;
    std::int16_t TargetLeft = 0;
    std::int16_t MissCount = 0;
    std::int16_t TurnLost = 0;
    std::int16_t Hits = 0;
    std::int16_t TargetNumber = 0;
    QString GradeText;
    QString NoticeText;
    std::int32_t NoticeButtons = 0;
    QString NoticeTitle;
};

namespace rules {

constexpr int roundLength = 30;
constexpr int firstInterval = 3000;
constexpr int verticalRange = 8085;
constexpr int horizontalRange = 11010;

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

struct Notice
{
    QString text;
    QString title;
};
enum class Penalty { Miss, DoubleInSingleMode, RightInDoubleMode, RightWhileLeft, LeftWhileRight };
Notice notice(Penalty penalty);

} // namespace rules
