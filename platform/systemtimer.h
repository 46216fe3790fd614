// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timer.h"

#include <QElapsedTimer>
#include <QTimer>

// The pacing timer on a single-shot precise QTimer. Each timeout is scheduled against the
// moment it is due rather than the moment the previous handler finished, so a round of thirty
// ticks keeps its length however long the handlers take.
class SystemTimer : public Timer
{
    Q_OBJECT
public:
    explicit SystemTimer(QObject *parent = nullptr);

protected:
    void countDownAnew() override;
    void stopCountDown() override;

private:
    void arm();
    void fire();

    QTimer m_shot;
    QElapsedTimer m_clock;
    // When the next timeout is due, in nanoseconds of m_clock.
    qint64 m_due = 0;
};
