// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browser.h"
#include "clock.h"
#include "notices.h"
#include "quit.h"
#include "random.h"
#include "timer.h"

#include <functional>
#include <memory>

/**
 * The services the windows use, handed down from main() (or from a test with fakes).
 * The browser is made on first use only, so it comes as a factory.
 */
struct Platform
{
    /** Every modal box goes through here, so a running round stands still under it. */
    Notices &messages;
    /** Paces the targets of a round. */
    Timer &pacingTimer;
    Clock &clock;
    Random &random;
    Quit &quit;
    std::function<std::unique_ptr<Browser>()> makeBrowser;
};
