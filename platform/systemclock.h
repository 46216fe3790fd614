// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"

// The time of day from the system clock, to the millisecond.
class SystemClock : public Clock
{
public:
    double secondsSinceMidnight() const override;
};
