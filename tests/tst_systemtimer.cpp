// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemtimer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

// Real time on a busy shared machine: a tick may come late now and then, but never early, and
// lateness must never pile up from one tick to the next (a slow handler would add 15 to 20 ms
// a tick, so a drift shows within a few ticks).
constexpr qint64 earliest = -2;
constexpr qint64 latest = 60;
constexpr int limitMs = 1500;

void busyWait(int ms)
{
    QElapsedTimer spin;
    spin.start();
    while (spin.elapsed() < ms) {
    }
}

// Runs the timer until it has ticked `count` times or the limit ran out; returns the moments
// of the ticks, in milliseconds since the timer was enabled.
QList<qint64> runTicks(SystemTimer &timer, int count, const std::function<void(int)> &handler)
{
    QList<qint64> ticks;
    QElapsedTimer since;
    QObject::connect(&timer, &Timer::timeout, &timer, [&] {
        ticks.append(since.elapsed());
        handler(int(ticks.size()));
        if (ticks.size() == count)
            timer.setEnabled(false);
    });
    QSignalSpy spy(&timer, &Timer::timeout);
    since.start();
    timer.setEnabled(true);
    while (ticks.size() < count && since.elapsed() < limitMs)
        spy.wait(limitMs - int(since.elapsed()));
    return ticks;
}

QString describe(const QList<qint64> &ticks, const QList<qint64> &due)
{
    QStringList parts;
    for (int i = 0; i < ticks.size(); ++i)
        parts.append(QStringLiteral("%1/%2").arg(ticks[i]).arg(i < due.size() ? due[i] : -1));
    return parts.join(QLatin1Char(' '));
}

} // namespace

class tst_SystemTimer : public QObject
{
    Q_OBJECT
private slots:
    void ticksKeepTheirDueTimes_data();
    void ticksKeepTheirDueTimes();
    void enablingInsideTheHandlerStartsAWholeInterval();
    void disabledTimerStaysQuiet();
};

void tst_SystemTimer::ticksKeepTheirDueTimes_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("busyMs");
    // The interval the handler of tick k sets (k counted from 1); 0 leaves it alone.
    QTest::addColumn<QList<int>>("newIntervals");

    QTest::newRow("slow handler, steady pace") << 50 << 20 << QList<int>(10, 0);
    QTest::newRow("idle handler, steady pace") << 30 << 0 << QList<int>(10, 0);
    QTest::newRow("slow handler, quickening pace")
        << 60 << 15 << QList<int>{55, 50, 45, 40, 35, 30, 25, 20, 20, 0};
}

void tst_SystemTimer::ticksKeepTheirDueTimes()
{
    QFETCH(int, interval);
    QFETCH(int, busyMs);
    QFETCH(QList<int>, newIntervals);

    SystemTimer timer;
    timer.setInterval(interval);
    const QList<qint64> ticks = runTicks(timer, int(newIntervals.size()), [&](int k) {
        busyWait(busyMs);
        if (newIntervals[k - 1] > 0)
            timer.setInterval(newIntervals[k - 1]);
    });

    QList<qint64> due;
    qint64 at = interval;
    for (int k = 0; k < newIntervals.size(); ++k) {
        due.append(at);
        at += newIntervals[k] > 0 ? newIntervals[k] : timer.interval();
    }
    const QString seen = describe(ticks, due);
    QCOMPARE(ticks.size(), newIntervals.size());
    for (int k = 0; k < ticks.size(); ++k) {
        const qint64 late = ticks[k] - due[k];
        QVERIFY2(late >= earliest && late <= latest, qPrintable(seen));
    }
}

void tst_SystemTimer::enablingInsideTheHandlerStartsAWholeInterval()
{
    SystemTimer timer;
    timer.setInterval(50);
    // The first handler works 30 ms and then stops and restarts the count-down, as a notice does.
    const QList<qint64> ticks = runTicks(timer, 3, [&](int k) {
        if (k != 1)
            return;
        busyWait(30);
        timer.setEnabled(false);
        timer.setEnabled(true);
    });

    const QList<qint64> due{50, 130, 180};
    const QString seen = describe(ticks, due);
    QCOMPARE(ticks.size(), 3);
    for (int k = 0; k < 3; ++k) {
        const qint64 late = ticks[k] - due[k];
        QVERIFY2(late >= earliest && late <= latest, qPrintable(seen));
    }
}

void tst_SystemTimer::disabledTimerStaysQuiet()
{
    SystemTimer timer;
    QSignalSpy spy(&timer, &Timer::timeout);
    timer.setInterval(20);
    timer.setEnabled(true);
    timer.setEnabled(false);
    QVERIFY(!spy.wait(60));
    QCOMPARE(spy.count(), 0);
    QVERIFY(!timer.isEnabled());
    QCOMPARE(timer.interval(), 20);
}

QTEST_MAIN(tst_SystemTimer)
#include "tst_systemtimer.moc"
