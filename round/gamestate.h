// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
