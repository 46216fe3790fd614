// SPDX-License-Identifier: GPL-3.0-or-later
#include "figures.h"

#include <QTest>

#include <cmath>

namespace {

TargetRecord target(double distance, double width, qint64 hitAfterMs, int misses = 0,
                    QList<Penalty> penalties = {})
{
    TargetRecord t;
    t.distance = distance;
    t.width = width;
    t.hitAfterMs = hitAfterMs;
    t.misses = misses;
    t.penalties = penalties;
    return t;
}

// NaN stands for "no figure" in the tables.
double orNan(std::optional<double> value) { return value.value_or(std::nan("")); }

bool same(double a, double b) { return std::isnan(a) ? std::isnan(b) : qFuzzyCompare(a, b); }

} // namespace

class tst_Figures : public QObject
{
    Q_OBJECT
private slots:
    void perTarget_data();
    void perTarget();
    void perRound_data();
    void perRound();
};

void tst_Figures::perTarget_data()
{
    QTest::addColumn<TargetRecord>("target");
    QTest::addColumn<double>("index");
    QTest::addColumn<double>("throughput");
    const double none = std::nan("");
    // log2(147 / 49 + 1) = 2 bits in half a second.
    QTest::newRow("hit") << target(147, 49, 500) << 2.0 << 4.0;
    QTest::newRow("three bits in 1.5 s") << target(343, 49, 1500) << 3.0 << 2.0;
    QTest::newRow("pointer on the centre") << target(0, 49, 400) << 0.0 << 0.0;
    QTest::newRow("not hit") << target(147, 49, -1) << 2.0 << none;
    QTest::newRow("pointer off the field") << target(-1, 49, 500) << none << none;
    QTest::newRow("no width") << target(147, 0, 500) << none << none;
    QTest::newRow("distance not a number") << target(std::nan(""), 49, 500) << none << none;
    QTest::newRow("hit at once") << target(147, 49, 0) << 2.0 << none;
}

void tst_Figures::perTarget()
{
    QFETCH(TargetRecord, target);
    QFETCH(double, index);
    QFETCH(double, throughput);
    QVERIFY2(same(orNan(figures::pointingIndex(target)), index),
             qPrintable(QString::number(orNan(figures::pointingIndex(target)))));
    QVERIFY2(same(orNan(figures::throughput(target)), throughput),
             qPrintable(QString::number(orNan(figures::throughput(target)))));
}

void tst_Figures::perRound_data()
{
    QTest::addColumn<QList<TargetRecord>>("targets");
    QTest::addColumn<double>("median");
    QTest::addColumn<int>("misses");
    QTest::addColumn<int>("penalties");
    QTest::addColumn<double>("throughput");
    const double none = std::nan("");
    QTest::newRow("empty") << QList<TargetRecord>{} << none << 0 << 0 << none;
    QTest::newRow("odd count, unsorted, a miss left out")
        << QList<TargetRecord>{target(147, 49, 1000, 2), target(-1, 49, 300),
                               target(147, 49, -1, 1, {Penalty::Miss}),
                               target(147, 49, 500, 0, {Penalty::RightWhileLeft, Penalty::Miss})}
        << 500.0 << 3 << 3 << 3.0; // 2 and 4 bits/s; the one off the field has none
    QTest::newRow("even count takes the middle pair")
        << QList<TargetRecord>{target(147, 49, 1000), target(147, 49, 400), target(147, 49, 600),
                               target(147, 49, 200)}
        << 500.0 << 0 << 0 << (2.0 + 5.0 + 10.0 / 3 + 10.0) / 4;
    QTest::newRow("nothing hit") << QList<TargetRecord>{target(147, 49, -1, 4)} << none << 4 << 0
                                 << none;
}

void tst_Figures::perRound()
{
    QFETCH(QList<TargetRecord>, targets);
    QFETCH(double, median);
    QFETCH(int, misses);
    QFETCH(int, penalties);
    QFETCH(double, throughput);
    const figures::RoundFigures round = figures::ofRound(targets);
    QVERIFY2(same(orNan(round.medianTimeToHitMs), median),
             qPrintable(QString::number(orNan(round.medianTimeToHitMs))));
    QCOMPARE(round.misses, misses);
    QCOMPARE(round.penalties, penalties);
    QVERIFY2(same(orNan(round.throughput), throughput),
             qPrintable(QString::number(orNan(round.throughput))));
}

QTEST_MAIN(tst_Figures)
#include "tst_figures.moc"
