// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

/**
 * The time of day, and a steady count of milliseconds for measuring spans.
 */
class Clock
{
public:
    virtual ~Clock() = default;
    /** Seconds since midnight, with the fraction of the current second. */
    virtual double secondsSinceMidnight() const = 0;
    /** The local date and time. */
    virtual QDateTime now() const = 0;
    /** Milliseconds from an arbitrary start; never goes back, whatever the wall clock does. */
    virtual qint64 steadyMs() const = 0;
};
