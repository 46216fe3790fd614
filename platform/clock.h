// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/**
 * The time of day.
 */
class Clock
{
public:
    virtual ~Clock() = default;
    /** Seconds since midnight, with the fraction of the current second. */
    virtual double secondsSinceMidnight() const = 0;
};
