// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes.h"
#include "seededrandom.h"
#include "startwindow.h"
#include "systemclock.h"

#include <QTest>

#include <cstdio>
#include <memory>

// The game on the real clock and random source with nobody at the mouse: boxes answer at once
// and Exit is never pressed. The timer is the caller's.
struct Unattended
{
    explicit Unattended(Timer &timer)
        : start(Platform{notices, timer, clock, random, quit,
                         [] { return std::unique_ptr<Browser>(); }})
    {
    }

    // Shows the settings window; false (with a line on stderr) when it never came up.
    bool show(const char *program)
    {
        start.show();
        if (QTest::qWaitForWindowExposed(&start))
            return true;
        std::fprintf(stderr, "%s: the settings window was never shown\n", program);
        return false;
    }

    FakeMessageBox box;
    Notices notices{box};
    SystemClock clock;
    SeededRandom random;
    FakeQuit quit;
    StartWindow start;
};
