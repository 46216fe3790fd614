// SPDX-License-Identifier: GPL-3.0-or-later
// The pacing timer on the real clock: ticks keep their due times however slow the handler.
#include "systemtimer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// The handler of tick k is busy busyMs, sets intervals[k-1] if listed, restarts if k == restartAt.
struct Row
{
    int busyMs, restartAt;
    QList<int> intervals, due;
};
Q_DECLARE_METATYPE(Row)

class tst_SystemTimer : public QObject
{
    Q_OBJECT
private slots:
    void ticksKeepTheirDueTimes_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("steady") << Row{20, 0, {}, {50, 100, 150, 200, 250, 300, 350}};
        QTest::newRow("quickening") << Row{15, 0, {60, 40, 30, 25}, {50, 110, 150, 180, 205, 230}};
        QTest::newRow("restarted") << Row{30, 1, {}, {50, 130, 180}};
    }

    void ticksKeepTheirDueTimes()
    {
        QFETCH(Row, row);
        SystemTimer timer;
        timer.setInterval(50);
        QList<qint64> late;
        QElapsedTimer since;
        connect(&timer, &Timer::timeout, &timer, [&] {
            late.append(since.elapsed() - row.due.value(late.size()));
            for (QDeadlineTimer busy(row.busyMs, Qt::PreciseTimer); !busy.hasExpired();) {
            }
            timer.setInterval(row.intervals.value(late.size() - 1, timer.interval()));
            if (late.size() == row.restartAt)
                timer.setEnabled(false); // and on again just below, as a notice does
            timer.setEnabled(late.size() < row.due.size());
        });
        QSignalSpy ticks(&timer, &Timer::timeout);
        since.start();
        timer.setEnabled(true);
        while (ticks.size() < row.due.size() && ticks.wait(1000)) {
        }
        ticks.wait(80); // off after the last tick, it stays quiet
        QCOMPARE(late.size(), row.due.size());
        // Never early. A busy machine may wake any tick late, but a drift of 15-20 ms a tick
        // piles up: the last tick is then the latest by far.
        for (const qint64 ms : late)
            QVERIFY2(ms >= -2 && ms <= 300, qPrintable(QDebug::toString(late)));
        QVERIFY2(late.last() - late.first() <= 45, qPrintable(QDebug::toString(late)));
    }
};

QTEST_MAIN(tst_SystemTimer)
#include "tst_systemtimer.moc"
