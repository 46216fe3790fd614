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
 */
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

signals:
    void timeout();
};
