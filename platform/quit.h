// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/**
 * Ends the program.
 */
class Quit
{
public:
    virtual ~Quit() = default;
    /** Closes every window and ends the program with exit status 0, without asking. */
    virtual void quit() = 0;
    /** True once quit() was called: a window closing now closes because the program ends. */
    virtual bool isQuitting() const = 0;
};
