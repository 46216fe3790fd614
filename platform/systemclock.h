// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"

#include <QElapsedTimer>

// The time of day from the system clock, to the millisecond.
class SystemClock : public Clock
{
public:
    SystemClock();
    double secondsSinceMidnight() const override;
    QDateTime now() const override;
    qint64 steadyMs() const override;

private:
    QElapsedTimer m_steady;
};
