// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemclock.h"

#include <QTime>

double SystemClock::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}
