// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamestate.h"

#include <QTest>

#include <limits>

using namespace rules;

class tst_GameState : public QObject
{
    Q_OBJECT
private slots:
    void intervalQuickens_data();
    void intervalQuickens();
    void roundLastsItsSumOfIntervals();
    void gradeFollowsScore_data();
    void gradeFollowsScore();
    void resultTextKeepsItsBlanks_data();
    void resultTextKeepsItsBlanks();
    void noticeTextsAreExact_data();
    void noticeTextsAreExact();
    void countersStopAtTheirLimits();
    void coloursAreBlueGreenRed();
    void twipsBecomeLogicalPixels_data();
    void twipsBecomeLogicalPixels();
};

void tst_GameState::intervalQuickens_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("interval");
    QTest::newRow("1") << 1 << 2633;
    QTest::newRow("2") << 2 << 2566;
    QTest::newRow("15") << 15 << 1700;
    QTest::newRow("27") << 27 << 900;
    QTest::newRow("28") << 28 << 833;
    QTest::newRow("29") << 29 << 766;
}

void tst_GameState::intervalQuickens()
{
    QFETCH(int, n);
    QFETCH(int, interval);
    QCOMPARE(intervalAfter(n), interval);
}

void tst_GameState::roundLastsItsSumOfIntervals()
{
    int total = firstInterval;
    for (int n = 1; n < roundLength; ++n) {
        QVERIFY(intervalAfter(n) < intervalAfter(n - 1));
        total += intervalAfter(n);
    }
    QCOMPARE(total, 52290);
}

void tst_GameState::gradeFollowsScore_data()
{
    QTest::addColumn<int>("hits");
    QTest::addColumn<QString>("grade");
    const QString five = QString(31, ' ') + "П Я Т Ё Р К У";
    const QString four = QString(30, ' ') + "Ч Е Т В Ё Р К У";
    const QString three = QString(32, ' ') + "Т Р О Й К У";
    const QString two = QString(31, ' ') + "Д В О Й К У";
    const QString dunce = QString(25, ' ') + "Звание \" ТУПИЦА \"";
    QTest::newRow("30") << 30 << five;
    QTest::newRow("28") << 28 << five;
    QTest::newRow("27") << 27 << four;
    QTest::newRow("22") << 22 << four;
    QTest::newRow("21") << 21 << three;
    QTest::newRow("15") << 15 << three;
    QTest::newRow("14") << 14 << two;
    QTest::newRow("1") << 1 << two;
    QTest::newRow("0") << 0 << dunce;
    QTest::newRow("-1") << -1 << dunce;
    QTest::newRow("-32768") << -32768 << dunce;
}

void tst_GameState::gradeFollowsScore()
{
    QFETCH(int, hits);
    QFETCH(QString, grade);
    QCOMPARE(gradeText(hits), grade);
}

void tst_GameState::resultTextKeepsItsBlanks_data()
{
    QTest::addColumn<int>("hits");
    QTest::addColumn<QString>("scoreLine");
    QTest::newRow("zero") << 0 << " Итак, из 30 возможных Вы попали по  0 кнопкам";
    QTest::newRow("thirty") << 30 << " Итак, из 30 возможных Вы попали по  30 кнопкам";
    QTest::newRow("negative") << -3 << " Итак, из 30 возможных Вы попали по -3 кнопкам";
}

void tst_GameState::resultTextKeepsItsBlanks()
{
    QFETCH(int, hits);
    QFETCH(QString, scoreLine);
    const QString text = resultText(hits, gradeText(hits));
    QCOMPARE(text, scoreLine + "\r\n\r\n" + QString(14, ' ') + "за такой результат Вы получаете" +
                       "\r\n\r\n" + gradeText(hits));
    QCOMPARE(resultTitle(), QString(10, ' ') + "Пришло время собирать камни");
}

void tst_GameState::noticeTextsAreExact_data()
{
    QTest::addColumn<int>("penalty");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("titleBlanks");
    const QString gap = "\r\n\r\n";
    QTest::newRow("miss") << int(Penalty::Miss)
                          << " Щёлкайте по-точнее. Я даю возможность промахнуться три раза. " +
                                 gap + QString(26, ' ') + "Не уподобляйтесь пулемёту !!! " + gap +
                                 QString(29, ' ') + "Этот ход Вы пропускаете."
                          << 21;
    QTest::newRow("double in single mode")
        << int(Penalty::DoubleInSingleMode)
        << " Одного щелчка вполне достаточно, чтобы я Вас понял.  " + gap +
               " Вы ведь выбрали одинарный щелчок, а не двойной." + gap +
               " Поэтому данный ход я не защитываю правильным."
        << 18;
    QTest::newRow("right in double mode") << int(Penalty::RightInDoubleMode)
                                          << "Левой кнопкой надо делать двойной щелчёк." + gap +
                                                 QString(13, ' ') + "Этот ход Вы пропускаете."
                                          << 6;
    QTest::newRow("right while left")
        << int(Penalty::RightWhileLeft)
        << "Насколько я помню Вы выбрали тренировку левой кнопки, а не правой." + gap +
               QString(31, ' ') + "Я вычел из результата одно попадание."
        << 22;
    QTest::newRow("left while right")
        << int(Penalty::LeftWhileRight)
        << "Насколько я помню Вы выбрали тренировку правой кнопки, а не левой." + gap +
               QString(31, ' ') + "Я вычел из результата одно попадание."
        << 22;
}

void tst_GameState::noticeTextsAreExact()
{
    QFETCH(int, penalty);
    QFETCH(QString, text);
    QFETCH(int, titleBlanks);
    const Notice shown = notice(Penalty(penalty));
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.title, QString(titleBlanks, ' ') + "Обнаружена попытка обмана");
    // Lines break only as CR LF pairs.
    QCOMPARE(shown.text.count('\r'), shown.text.count("\r\n"));
    QCOMPARE(shown.text.count('\n'), shown.text.count("\r\n"));
}

void tst_GameState::countersStopAtTheirLimits()
{
    constexpr auto top = std::numeric_limits<std::int16_t>::max();
    constexpr auto bottom = std::numeric_limits<std::int16_t>::min();
    QCOMPARE(increment(0), std::int16_t(1));
    QCOMPARE(decrement(0), std::int16_t(-1));
    QCOMPARE(increment(top - 1), top);
    QCOMPARE(increment(top), top);
    QCOMPARE(decrement(bottom + 1), bottom);
    QCOMPARE(decrement(bottom), bottom);
    QCOMPARE(increment(bottom), std::int16_t(bottom + 1));
    QCOMPARE(decrement(top), std::int16_t(top - 1));
}

void tst_GameState::coloursAreBlueGreenRed()
{
    QCOMPARE(fromBgr(ReadyColour), QColor(128, 255, 128));
    QCOMPARE(fromBgr(HitColour), QColor(255, 0, 0));
    QCOMPARE(fromBgr(FieldColour), QColor(0, 128, 0));
    QCOMPARE(fromBgr(0x004000), QColor(0, 64, 0));
    QCOMPARE(fromBgr(0xFFFF00), QColor(0, 255, 255));
}

void tst_GameState::twipsBecomeLogicalPixels_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("pixels");
    QTest::newRow("field width") << 11520 << 768;
    QTest::newRow("field height") << 8580 << 572;
    QTest::newRow("target left") << 10680 << 712;
    QTest::newRow("largest target") << 735 << 49;
    QTest::newRow("smallest target") << 135 << 9;
    QTest::newRow("rounds down") << 7 << 0;
    QTest::newRow("rounds up") << 8 << 1;
}

void tst_GameState::twipsBecomeLogicalPixels()
{
    QFETCH(int, length);
    QFETCH(int, pixels);
    QCOMPARE(twips::toPixels(length), pixels);
}

QTEST_APPLESS_MAIN(tst_GameState)
#include "tst_gamestate.moc"
