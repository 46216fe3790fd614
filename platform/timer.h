// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

/**
 * A millisecond timer with an interval and an enabled flag. It emits timeout() every interval
 * while it is enabled and its interval is above zero.
 *
 * Enabling a disabled timer, or changing the interval outside a timeout() handler, starts a
 * whole new interval from that moment. Setting the interval inside the handler schedules the
 * next timeout one interval after this one was due, so the pace does not drift.
 *
 * This class keeps that rule; a subclass only counts down and calls deliver() when time is up.
 */
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void setInterval(int ms);
    int interval() const { return m_interval; }
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    /** Whether a timeout would come: enabled with an interval above zero. */
    bool isCounting() const { return m_enabled && m_interval > 0; }

signals:
    void timeout();

protected:
    /** A whole interval starts from now (the timer may have been stopped meanwhile). */
    virtual void countDownAnew() = 0;
    /** No timeout is to come until the next countDownAnew(). */
    virtual void stopCountDown() = 0;
    /**
     * Emits timeout(). Returns true when the handler started the count-down anew, in which case
     * the subclass must not schedule the next tick from this one's due time.
     */
    bool deliver();

private:
    void restart();

    int m_interval = 0;
    bool m_enabled = false;
    bool m_inHandler = false;
    bool m_restartedInHandler = false;
};
