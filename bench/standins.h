// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform.h"
#include "timer.h"

#include <functional>
#include <memory>

// A notice box that is answered the moment it opens, so that a measured round never waits for
// a person. It says Continue to the result box and OK to every notice.
class AnsweringBox : public MessageBox
{
public:
    int show(const QString &, int buttons, const QString &) override
    {
        ++shown;
        if (buttons == CancelTryContinue) {
            if (onResult)
                onResult();
            return Continue;
        }
        return Ok;
    }

    int shown = 0;
    std::function<void()> onResult;
};

// The measured programs never end themselves; Exit is not pressed.
class StayingQuit : public Quit
{
public:
    void quit() override {}
};

// Ticks when the benchmark says so: the response figure needs a fresh target at will.
class SteppedTimer : public Timer
{
    Q_OBJECT
public:
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    bool isEnabled() const override { return m_enabled; }

    bool step()
    {
        if (!m_enabled || m_interval <= 0)
            return false;
        emit timeout();
        return true;
    }

private:
    int m_interval = 0;
    bool m_enabled = false;
};

inline std::unique_ptr<Browser> noBrowser() { return nullptr; }
