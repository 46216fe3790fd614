// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemtimer.h"

#include <algorithm>

namespace {
constexpr qint64 nsPerMs = 1000000;
}

SystemTimer::SystemTimer(QObject *parent) : Timer(parent)
{
    m_shot.setSingleShot(true);
    m_shot.setTimerType(Qt::PreciseTimer);
    connect(&m_shot, &QTimer::timeout, this, &SystemTimer::fire);
    m_clock.start();
}

void SystemTimer::countDownAnew()
{
    m_due = m_clock.nsecsElapsed() + interval() * nsPerMs;
    arm();
}

void SystemTimer::stopCountDown() { m_shot.stop(); }

void SystemTimer::arm()
{
    if (!isCounting()) {
        m_shot.stop();
        return;
    }
    // The kernel may end a long wait up to 0.1 % late (timer slack): wake a little early and
    // wait out the rest with a short second shot, which has next to no slack.
    const qint64 left =
        std::max<qint64>((m_due - m_clock.nsecsElapsed() + nsPerMs - 1) / nsPerMs, 0);
    m_shot.start(int(left > 20 ? left - left / 500 - 1 : left));
}

void SystemTimer::fire()
{
    if (!isCounting())
        return;
    if (m_clock.nsecsElapsed() < m_due) {
        arm();
        return;
    }
    const qint64 due = m_due;
    if (deliver())
        return;
    m_due = due + interval() * nsPerMs;
    arm();
}
