// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "roundrecord.h"

#include <QPointF>

#include <optional>

class Clock;

// Follows one round as it is played and writes it down. Time under a notice box is left out of
// every span, so a child is not timed while reading.
class RoundRecorder
{
public:
    explicit RoundRecorder(const Clock &clock) : m_clock(clock) {}

    void begin(int level, bool rightButton, bool doubleClick);
    // A new target came up; its centre and side in logical pixels.
    void targetShown(int number, QPointF centre, double width, std::optional<QPointF> pointer);
    // The pointer moved to a place on the field.
    void pointerMoved(QPointF at);
    // The scoring click, where it landed on the field when known.
    void hit(std::optional<QPointF> at);
    void penalty(Penalty penalty);
    void miss();
    void pause();
    void resume();
    RoundRecord finish(RoundEnding ending, int score, const QString &grade);

private:
    qint64 activeMs() const;
    TargetRecord *current();

    const Clock &m_clock;
    RoundRecord m_record;
    qint64 m_startMs = 0;
    qint64 m_pausedMs = 0;
    qint64 m_pausedAt = -1;
};
