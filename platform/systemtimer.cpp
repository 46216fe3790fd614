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

void SystemTimer::setInterval(int ms)
{
    m_interval = std::max(ms, 0);
    // Inside the handler the new interval counts from the tick's due time, applied on return.
    if (m_inHandler)
        return;
    if (m_enabled)
        restart();
}

void SystemTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        restart();
    else
        m_shot.stop();
}

void SystemTimer::restart()
{
    m_due = m_clock.nsecsElapsed() + m_interval * nsPerMs;
    if (m_inHandler)
        m_restartedInHandler = true;
    arm();
}

void SystemTimer::arm()
{
    if (!m_enabled || m_interval <= 0) {
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
    if (!m_enabled || m_interval <= 0)
        return;
    if (m_clock.nsecsElapsed() < m_due) {
        arm();
        return;
    }
    m_inHandler = true;
    m_restartedInHandler = false;
    const qint64 due = m_due;
    emit timeout();
    m_inHandler = false;
    if (m_restartedInHandler)
        return;
    m_due = due + m_interval * nsPerMs;
    arm();
}
