// SPDX-License-Identifier: GPL-3.0-or-later
#include "timer.h"

#include <algorithm>

void Timer::setInterval(int ms)
{
    m_interval = std::max(ms, 0);
    // Inside the handler the new interval counts from the tick's due time, applied on return.
    if (m_inHandler || !m_enabled)
        return;
    restart();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        restart();
    else
        stopCountDown();
}

void Timer::restart()
{
    if (m_inHandler)
        m_restartedInHandler = true;
    countDownAnew();
}

bool Timer::deliver()
{
    m_inHandler = true;
    m_restartedInHandler = false;
    emit timeout();
    m_inHandler = false;
    return m_restartedInHandler;
}
