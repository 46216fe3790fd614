// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "messagebox.h"

/**
 * Whatever runs on a clock and must stand still while a modal box is up: the round.
 */
class Pausable
{
public:
    virtual ~Pausable() = default;
    /** A box is coming up: stop the pace and the clock. */
    virtual void pause() = 0;
    /** The box has gone: go on, the current target with a whole fresh interval. */
    virtual void resume() = 0;
};

/**
 * The one way every window of the game shows a modal box: the round's notices, its result and
 * the other windows' notices alike. While a box is up, the round registered here stands still,
 * so the time spent reading is neither paced nor timed.
 */
class Notices
{
public:
    explicit Notices(MessageBox &box) : m_box(box) {}

    /** Shows the box and returns the code of the button pressed, as MessageBox::show(). */
    int show(const QString &text, int buttons, const QString &title);
    /** What stands still under every box; null for nothing. */
    void setPausable(Pausable *pausable) { m_pausable = pausable; }
    Pausable *pausable() const { return m_pausable; }

private:
    MessageBox &m_box;
    Pausable *m_pausable = nullptr;
    Pausable *m_paused = nullptr;
    int m_open = 0;
};
