// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemclock.h"

#include <QTime>

SystemClock::SystemClock() { m_steady.start(); }

double SystemClock::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

qint64 SystemClock::steadyMs() const { return m_steady.elapsed(); }
