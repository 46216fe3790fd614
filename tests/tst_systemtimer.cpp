// SPDX-License-Identifier: GPL-3.0-or-later
// The pacing timer on the real clock: ticks keep their due times however slow the handler.
#include "systemtimer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

// On a busy shared machine a tick may come late now and then, but never early, and lateness
// must never pile up (a slow handler adds 15 to 20 ms a tick, so a drift shows within a few).
constexpr qint64 earliest = -2;
constexpr qint64 latest = 60;

void busyWait(int ms)
{
    QElapsedTimer spin;
    spin.start();
    while (spin.elapsed() < ms) {
    }
}

// Runs the timer for `count` ticks, calling the handler with the tick's number from 1, and
// returns each tick's lateness against `due` (milliseconds since the timer was enabled).
QList<qint64> lateness(SystemTimer &timer, const QList<qint64> &due,
                       const std::function<void(int)> &handler)
{
    QList<qint64> late;
    QElapsedTimer since;
    QObject::connect(&timer, &Timer::timeout, &timer, [&] {
        late.append(since.elapsed() - due[late.size()]);
        handler(int(late.size()));
        if (late.size() == due.size())
            timer.setEnabled(false);
    });
    QSignalSpy spy(&timer, &Timer::timeout);
    since.start();
    timer.setEnabled(true);
    while (late.size() < due.size() && since.elapsed() < 3000)
        spy.wait(100);
    return late;
}

} // namespace

class tst_SystemTimer : public QObject
{
    Q_OBJECT
private slots:
    void ticksKeepTheirDueTimes_data();
    void ticksKeepTheirDueTimes();
};

void tst_SystemTimer::ticksKeepTheirDueTimes_data()
{
    QTest::addColumn<int>("busyMs");
    // The interval each tick's handler sets (0 leaves it), and whether it restarts the count-down
    // as a notice does.
    QTest::addColumn<QList<int>>("newIntervals");
    QTest::addColumn<int>("restartAt");
    QTest::addColumn<QList<qint64>>("due");

    QTest::newRow("slow handler, steady pace")
        << 20 << QList<int>(8, 0) << 0 << QList<qint64>{50, 100, 150, 200, 250, 300, 350, 400};
    QTest::newRow("slow handler, quickening pace")
        << 15 << QList<int>{55, 50, 45, 40, 35, 30, 0, 0} << 0
        << QList<qint64>{50, 105, 155, 200, 240, 275, 305, 335};
    QTest::newRow("restarted in the handler")
        << 30 << QList<int>(3, 0) << 1 << QList<qint64>{50, 130, 180};
}

void tst_SystemTimer::ticksKeepTheirDueTimes()
{
    QFETCH(int, busyMs);
    QFETCH(QList<int>, newIntervals);
    QFETCH(int, restartAt);
    QFETCH(QList<qint64>, due);

    SystemTimer timer;
    timer.setInterval(50);
    const QList<qint64> late = lateness(timer, due, [&](int k) {
        busyWait(busyMs);
        if (newIntervals[k - 1] > 0)
            timer.setInterval(newIntervals[k - 1]);
        if (k == restartAt) {
            timer.setEnabled(false);
            timer.setEnabled(true);
        }
    });
    QCOMPARE(late.size(), due.size());
    for (const qint64 ms : late)
        QVERIFY2(ms >= earliest && ms <= latest, qPrintable(QDebug::toString(late)));
    // A disabled timer stays quiet.
    QSignalSpy spy(&timer, &Timer::timeout);
    QVERIFY(!spy.wait(80));
}

QTEST_MAIN(tst_SystemTimer)
#include "tst_systemtimer.moc"
