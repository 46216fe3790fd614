// SPDX-License-Identifier: GPL-3.0-or-later
#include "notices.h"

int Notices::show(const QString &text, int buttons, const QString &title)
{
    // A box over a box pauses once, for the outer one.
    if (m_open++ == 0) {
        m_paused = m_pausable;
        if (m_paused)
            m_paused->pause();
    }
    const int answer = m_box.show(text, buttons, title);
    // What was paused may have gone while the box was up; then there is nothing to resume.
    if (--m_open == 0 && m_paused && m_paused == m_pausable)
        m_paused->resume();
    if (m_open == 0)
        m_paused = nullptr;
    return answer;
}
