// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gamestate.h"
#include "platform.h"
#include "roundrecorder.h"
#include "rules.h"

#include <QPointF>

#include <cstdint>
#include <optional>

class RoundReport;
class RoundView;
class TrainingSettings;

// The rules of a round: pacing the thirty targets, judging presses, double clicks and misses,
// the notices with what they cost, and the result. It knows no widget: it reads the player's
// choices live, drives the pacing timer and tells its view what to show. Every box of the
// program pauses it: no tick comes and no time is counted while a box is up.
class Round : private Pausable
{
public:
    Round(const Platform &platform, const TrainingSettings &settings, RoundView &view);
    ~Round() override;
    Round(const Round &) = delete;
    Round &operator=(const Round &) = delete;

    // Whoever keeps the rounds played; none by default.
    void setReport(RoundReport *report) { m_report = report; }

    // The set-up of a freshly loaded field: target 1 at its place, sized by the level.
    void setUp();
    // Start: the pacing timer runs and the current target gets a whole first interval.
    void startPacing();
    // The pacing timer off with no interval, as a freshly loaded field has it.
    void stopPacing();
    void tick();
    // A button went down over the target: 1 left, 2 right, 4 middle; where on the field, when
    // known.
    void press(int button, std::optional<QPointF> at = std::nullopt);
    void doubleClick(std::optional<QPointF> at = std::nullopt);
    // The pointer moved over the field, to a place in its logical pixels.
    void pointerMoved(QPointF at);
    // A click on the empty field.
    void backgroundClick();
    // The field closes before the result; the round is over without one.
    void abandon(RoundEnding ending);

    // From set-up until the result is decided or abandon().
    bool isActive() const { return m_active; }
    // Whether a box of the program is up.
    bool noticeShowing() const { return m_noticeShowing; }
    const GameState &state() const { return m_state; }
    std::uint32_t targetColour() const { return m_colour; }

private:
    void nextTarget();
    void finish();
    bool penalize(Penalty penalty);
    int showNotice(const QString &text, int buttons, const QString &title);
    void pause() override;
    void resume() override;
    void scoreIfReady(std::optional<QPointF> at);
    void targetShown(int left, int top);
    void report(RoundEnding ending);
    bool acceptsInput() const { return m_active && !m_noticeShowing; }

    Notices &m_messages;
    Timer &m_timer;
    Clock &m_clock;
    Random &m_random;
    const TrainingSettings &m_settings;
    RoundView &m_view;
    RoundReport *m_report = nullptr;
    RoundRecorder m_recorder;

    GameState m_state;
    std::uint32_t m_colour = rules::ReadyColour;
    int m_sizeTwips = rules::designSize;
    bool m_active = false;
    bool m_noticeShowing = false;
    // Whether the pace goes on after the box that is up now.
    bool m_resumePacing = false;
};
