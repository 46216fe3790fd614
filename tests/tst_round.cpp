// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a round without any widget: pacing, grades, texts, judging and the record.
#include "fakes.h"
#include "round.h"
#include "roundview.h"
#include "fakesettings.h"

#include <QTest>

#include <cmath>

using namespace rules;

namespace {

// Keeps what the round showed; the pointer stands where the test puts it.
class FakeView : public RoundView
{
public:
    void setLabel(int number, const QString &text) override { labels[number] = text; }
    void setTargetSize(int twips) override { size = twips; }
    void moveTarget(int left, int top) override { at = {left, top}; }
    void setTargetVisible(bool visible) override { this->visible = visible; }
    void paintTarget(std::uint32_t colour) override { this->colour = colour; }
    void print(const QString &line) override { printed.append(line); }
    void unload() override { ++unloads; }
    std::optional<QPointF> pointer() const override { return pointerAt; }

    QMap<int, QString> labels;
    int size = 0;
    QPoint at;
    bool visible = false;
    std::uint32_t colour = ReadyColour;
    QStringList printed;
    int unloads = 0;
    std::optional<QPointF> pointerAt;
};

class Recorded : public RoundReport
{
public:
    void roundEnded(const RoundRecord &record) override { rounds.append(record); }
    QList<RoundRecord> rounds;
};

// A round over fakes, set up and started as the Start button does it.
struct Game
{
    FakePlatform fakes;
    FakeSettings settings;
    FakeView view;
    Recorded diary;
    Round round{fakes.platform(), settings, view};

    Game()
    {
        round.setReport(&diary);
        // The game window forwards its timer's ticks the same way.
        QObject::connect(&fakes.timer, &Timer::timeout, [this] { round.tick(); });
    }
    void start()
    {
        round.setUp();
        round.startPacing();
    }
    // Ticks until the target asked for is up; false if the timer stopped before.
    [[nodiscard]] bool tickTo(int targetNumber)
    {
        for (int tick = 0; tick < roundLength && round.state().TargetNumber < targetNumber; ++tick)
            fakes.timer.fire();
        return round.state().TargetNumber == targetNumber;
    }
    // Titles of the boxes shown so far, as "leading blanks:words".
    QStringList titles() const
    {
        QStringList seen;
        for (const auto &box : fakes.messages.shown) {
            const QString words = box.title.trimmed();
            seen.append(QString::number(box.title.indexOf(words)) + QLatin1Char(':') + words);
        }
        return seen;
    }
    void act(const QString &action)
    {
        if (action == QLatin1String("left"))
            round.press(1);
        else if (action == QLatin1String("right"))
            round.press(2);
        else if (action == QLatin1String("middle"))
            round.press(4);
        else if (action == QLatin1String("miss"))
            round.backgroundClick();
        else {
            // A real double click: the first press, then the double click in place of the second.
            round.press(1);
            round.doubleClick();
        }
    }
};

const QString cheating = QStringLiteral("Обнаружена попытка обмана");
QString title(int blanks) { return QString::number(blanks) + QLatin1Char(':') + cheating; }
QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

} // namespace

class tst_Round : public QObject
{
    Q_OBJECT
private slots:
    void roundShowsThirtyTargetsThenTheResult();
    void gradeFollowsScore_data();
    void gradeFollowsScore();
    void noticeTextsAreExact_data();
    void noticeTextsAreExact();
    void setUpFollowsTheLevel_data();
    void setUpFollowsTheLevel();
    void judging_data();
    void judging();
    void missesBringTheNoticeTwiceFromTheSecondOn();
    void timerIsOffUnderEveryBoxAndRestartsAfter();
    void lostTurnCarriesIntoTheNextRound();
    void everyTickDrawsFromAFreshSeed();
    void countersStopAtTheirLimits();
    void recordFollowsTheRound();
    void recordKeepsTheWayARoundEnded();
};

void tst_Round::roundShowsThirtyTargetsThenTheResult()
{
    Game game;
    game.fakes.messages.answers = {MessageBox::TryAgain};
    game.start();
    QCOMPARE(game.fakes.timer.interval(), 3000);
    // Target n + 1 stays as long as the tick at target n says; the pace quickens to the end.
    QMap<int, int> intervals;
    int total = firstInterval;
    for (int n = 1; n < roundLength; ++n) {
        QVERIFY(game.fakes.timer.fire());
        QCOMPARE(int(game.round.state().TargetNumber), n + 1);
        intervals[n] = game.fakes.timer.interval();
        QVERIFY(n == 1 || intervals[n] <= intervals[n - 1]);
        total += intervals[n];
    }
    const QMap<int, int> telling{{1, 2633}, {2, 2566}, {15, 1700}, {27, 900}, {29, 766}};
    for (auto [n, ms] : telling.asKeyValueRange())
        QCOMPARE(intervals[n], ms);
    QCOMPARE(total, 52290);
    QVERIFY(game.fakes.messages.shown.isEmpty());

    QVERIFY(game.fakes.timer.fire());
    QCOMPARE(game.titles(), QStringList{QStringLiteral("10:Пришло время собирать камни")});
    QCOMPARE(game.fakes.messages.shown.first().buttons, int(MessageBox::CancelTryContinue));
    QCOMPARE(game.view.printed, QStringList{QStringLiteral("10")});
    QVERIFY(!game.view.visible);
    QCOMPARE(game.view.unloads, 1);
    QVERIFY(!game.fakes.timer.isEnabled());
    QCOMPARE(game.fakes.timer.interval(), 0);
    QVERIFY(!game.round.isActive());
    QVERIFY(!game.fakes.timer.fire());
}

void tst_Round::gradeFollowsScore_data()
{
    QTest::addColumn<int>("hits");
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QString>("score");

    const QString five = blanks(31) + QStringLiteral("П Я Т Ё Р К У");
    const QString four = blanks(30) + QStringLiteral("Ч Е Т В Ё Р К У");
    const QString three = blanks(32) + QStringLiteral("Т Р О Й К У");
    const QString two = blanks(31) + QStringLiteral("Д В О Й К У");
    const QString dunce = blanks(25) + QStringLiteral("Звание \" ТУПИЦА \"");
    QTest::newRow("30") << 30 << five << "по  30 кнопкам";
    QTest::newRow("28") << 28 << five << "по  28 кнопкам";
    QTest::newRow("27") << 27 << four << "по  27 кнопкам";
    QTest::newRow("22") << 22 << four << "по  22 кнопкам";
    QTest::newRow("21") << 21 << three << "по  21 кнопкам";
    QTest::newRow("15") << 15 << three << "по  15 кнопкам";
    QTest::newRow("14") << 14 << two << "по  14 кнопкам";
    QTest::newRow("1") << 1 << two << "по  1 кнопкам";
    QTest::newRow("0") << 0 << dunce << "по  0 кнопкам";
    QTest::newRow("-1") << -1 << dunce << "по -1 кнопкам";
    QTest::newRow("lowest") << -32768 << dunce << "по -32768 кнопкам";
}

void tst_Round::gradeFollowsScore()
{
    QFETCH(int, hits);
    QFETCH(QString, grade);
    QFETCH(QString, score);
    QCOMPARE(gradeText(hits), grade);
    QCOMPARE(resultText(hits, grade),
             QStringLiteral(" Итак, из 30 возможных Вы попали ") + score +
                 QStringLiteral("\r\n\r\n") + blanks(14) +
                 QStringLiteral("за такой результат Вы получаете\r\n\r\n") + grade);
}

void tst_Round::noticeTextsAreExact_data()
{
    QTest::addColumn<Penalty>("penalty");
    QTest::addColumn<QStringList>("paragraphs");
    QTest::addColumn<int>("titleBlanks");

    const QString skip = QStringLiteral("Этот ход Вы пропускаете.");
    const QString pointTaken = blanks(31) + QStringLiteral("Я вычел из результата одно попадание.");
    QTest::newRow("second miss") << Penalty::Miss
                        << QStringList{QStringLiteral(" Щёлкайте по-точнее. Я даю возможность "
                                                      "промахнуться три раза. "),
                                       blanks(26) +
                                           QStringLiteral("Не уподобляйтесь пулемёту !!! "),
                                       blanks(29) + skip}
                        << 21;
    QTest::newRow("double click, single mode")
        << Penalty::DoubleInSingleMode
        << QStringList{QStringLiteral(" Одного щелчка вполне достаточно, чтобы я Вас понял.  "),
                       QStringLiteral(" Вы ведь выбрали одинарный щелчок, а не двойной."),
                       QStringLiteral(" Поэтому данный ход я не защитываю правильным.")}
        << 18;
    QTest::newRow("right, double mode") << Penalty::RightInDoubleMode
                        << QStringList{QStringLiteral("Левой кнопкой надо делать двойной щелчёк."),
                                       blanks(13) + skip}
                        << 6;
    QTest::newRow("right, left chosen") << Penalty::RightWhileLeft
                        << QStringList{QStringLiteral("Насколько я помню Вы выбрали тренировку "
                                                      "левой кнопки, а не правой."),
                                       pointTaken}
                        << 22;
    QTest::newRow("left, right chosen") << Penalty::LeftWhileRight
                        << QStringList{QStringLiteral("Насколько я помню Вы выбрали тренировку "
                                                      "правой кнопки, а не левой."),
                                       pointTaken}
                        << 22;
}

void tst_Round::noticeTextsAreExact()
{
    QFETCH(Penalty, penalty);
    QFETCH(QStringList, paragraphs);
    QFETCH(int, titleBlanks);
    const Notice shown = notice(penalty);
    QCOMPARE(shown.text, paragraphs.join(QStringLiteral("\r\n\r\n")));
    QCOMPARE(shown.title, blanks(titleBlanks) + cheating);
    QCOMPARE(resultTitle(), blanks(10) + QStringLiteral("Пришло время собирать камни"));
}

void tst_Round::setUpFollowsTheLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("twice");
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("labels");

    QTest::newRow("1") << 1 << true << false << 735
                       << QStringList{"Начинающий", "левый", "одинарный"};
    QTest::newRow("2") << 2 << false << false << 495
                       << QStringList{"Бывалый", "правый", "одинарный"};
    QTest::newRow("3") << 3 << true << true << 255 << QStringList{"Опытный", "левый", "двойной"};
    QTest::newRow("4") << 4 << true << false << 135
                       << QStringList{"Супермен", "левый", "одинарный"};
}

void tst_Round::setUpFollowsTheLevel()
{
    QFETCH(int, level);
    QFETCH(bool, left);
    QFETCH(bool, twice);
    QFETCH(int, size);
    QFETCH(QStringList, labels);

    Game game;
    game.settings.chosenLevel = level;
    game.settings.left = left;
    game.settings.twice = twice;
    game.round.setUp();
    QCOMPARE(game.view.size, size);
    QCOMPARE(game.view.labels.values(), labels);
    QVERIFY(game.view.visible);
    QCOMPARE(game.round.state().TargetNumber, std::int16_t(1));
    QCOMPARE(game.round.targetColour(), ReadyColour);
    // Every level starts at the bottom right; nothing placed it anywhere else.
    QCOMPARE(game.view.at, QPoint());
}

void tst_Round::judging_data()
{
    QTest::addColumn<bool>("twice");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("turnLost");
    QTest::addColumn<bool>("alreadyHit");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("hits");
    QTest::addColumn<bool>("red");
    QTest::addColumn<bool>("lostAfter");
    QTest::addColumn<QStringList>("notices");

    const QString m2 = title(18), m3 = title(6), m45 = title(22);
    // clang-format off
    //                                            twice  left   lost   hit    action    hits red    lost   notices
    QTest::newRow("single left press scores")     << false << true  << false << false << "left"   << 1  << true  << false << QStringList{};
    QTest::newRow("press on red scores not")      << false << true  << false << true  << "left"   << 1  << true  << false << QStringList{};
    QTest::newRow("middle press scores")          << false << true  << false << false << "middle" << 1  << true  << false << QStringList{};
    QTest::newRow("middle scores for right")      << false << false << false << false << "middle" << 1  << true  << false << QStringList{};
    QTest::newRow("right press, left chosen")     << false << true  << false << false << "right"  << -1 << false << true  << QStringList{m45};
    QTest::newRow("right press, right chosen")    << false << false << false << false << "right"  << 1  << true  << false << QStringList{};
    QTest::newRow("left press, right chosen")     << false << false << false << false << "left"   << -1 << false << true  << QStringList{m45};
    QTest::newRow("lost turn: left scores not")   << false << true  << true  << false << "left"   << 0  << false << true  << QStringList{};
    QTest::newRow("lost turn: wrong still costs") << false << true  << true  << false << "right"  << -1 << false << true  << QStringList{m45};
    QTest::newRow("double in single mode")        << false << true  << false << false << "double" << 0  << true  << false << QStringList{m2};
    QTest::newRow("double on red, single mode")   << false << true  << false << true  << "double" << 0  << true  << false << QStringList{m2};
    QTest::newRow("double, lost turn")            << false << true  << true  << false << "double" << 0  << false << true  << QStringList{};
    QTest::newRow("double mode: double scores")   << true  << true  << false << false << "double" << 1  << true  << false << QStringList{};
    QTest::newRow("double mode: on red")          << true  << true  << false << true  << "double" << 1  << true  << false << QStringList{};
    QTest::newRow("double mode: press alone")     << true  << true  << false << false << "left"   << 0  << false << false << QStringList{};
    QTest::newRow("double mode: middle alone")    << true  << true  << false << false << "middle" << 0  << false << false << QStringList{};
    QTest::newRow("double mode: right press")     << true  << true  << false << false << "right"  << -1 << false << true  << QStringList{m3, m45};
    QTest::newRow("double mode, lost: right")     << true  << true  << true  << false << "right"  << -1 << false << true  << QStringList{m3, m45};
    QTest::newRow("double mode, lost: double")    << true  << true  << true  << false << "double" << 0  << false << true  << QStringList{};
    // clang-format on
}

void tst_Round::judging()
{
    QFETCH(bool, twice);
    QFETCH(bool, left);
    QFETCH(bool, turnLost);
    QFETCH(bool, alreadyHit);
    QFETCH(QString, action);
    QFETCH(int, hits);
    QFETCH(bool, red);
    QFETCH(bool, lostAfter);
    QFETCH(QStringList, notices);

    Game game;
    game.start();
    // Bring the turn into the state asked for with the player's own moves.
    game.settings.twice = twice;
    if (alreadyHit) {
        game.act(twice ? "double" : "left");
        QCOMPARE(game.round.state().Hits, std::int16_t(1));
    }
    if (turnLost) {
        game.act("miss");
        game.act("miss");
    }
    game.fakes.messages.shown.clear();
    // The choices are read live, at the moment of the event.
    game.settings.left = left;
    game.act(action);

    QCOMPARE(int(game.round.state().Hits), hits);
    QCOMPARE(game.round.targetColour() == HitColour, red);
    QCOMPARE(game.view.colour, game.round.targetColour());
    QCOMPARE(game.round.state().TurnLost == 1, lostAfter);
    QCOMPARE(game.titles(), notices);
    for (const auto &box : game.fakes.messages.shown)
        QCOMPARE(box.buttons, int(MessageBox::OkOnly));
}

void tst_Round::missesBringTheNoticeTwiceFromTheSecondOn()
{
    Game game;
    game.start();
    QList<std::int16_t> lostWhileUp;
    game.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        lostWhileUp.append(game.round.state().TurnLost);
    };
    game.act("miss");
    QVERIFY(game.fakes.messages.shown.isEmpty());
    game.act("miss");
    QCOMPARE(game.titles(), QStringList(2, title(21)));
    // The turn is lost between the two showings, and the answer of the first is written.
    QCOMPARE(lostWhileUp, (QList<std::int16_t>{0, 1}));
    QCOMPARE(game.view.printed, QStringList{"1"});
    game.act("miss");
    QCOMPARE(game.fakes.messages.shown.size(), 4);
    QCOMPARE(game.view.printed, (QStringList{"1", "1"}));
    // A press on the target while the turn is lost does not reset the count.
    game.act("left");
    QCOMPARE(int(game.round.state().MissCount), 3);
    // The next target starts clean.
    QVERIFY(game.fakes.timer.fire());
    QCOMPARE(int(game.round.state().MissCount), 0);
    QCOMPARE(int(game.round.state().TurnLost), 0);
    QCOMPARE(game.round.targetColour(), ReadyColour);
}

void tst_Round::timerIsOffUnderEveryBoxAndRestartsAfter()
{
    Game game;
    game.start();
    QVERIFY(game.tickTo(5));
    int boxes = 0;
    game.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        ++boxes;
        QVERIFY(!game.fakes.timer.isEnabled());
        QVERIFY(game.round.noticeShowing());
        // Input while a box is up is not judged.
        game.round.press(2);
        game.round.backgroundClick();
    };
    const QList<QStringList> turns{{"right"}, {"double"}, {"miss", "miss"}};
    for (const QStringList &turn : turns) {
        const int restarts = game.fakes.timer.restarts;
        const int before = boxes;
        for (const QString &action : turn)
            game.act(action);
        QVERIFY(boxes > before);
        // A whole current interval starts anew once the box is gone.
        QVERIFY(game.fakes.timer.isEnabled());
        QVERIFY(game.fakes.timer.restarts > restarts);
        QCOMPARE(game.fakes.timer.interval(), intervalAfter(game.round.state().TargetNumber - 1));
        QVERIFY(game.fakes.timer.fire());
    }
    QCOMPARE(boxes, 4);
    QCOMPARE(game.fakes.messages.mostOpenAtOnce, 1);
    QVERIFY(game.tickTo(roundLength));
    QVERIFY(game.fakes.timer.fire());
    QCOMPARE(boxes, 5);
}

void tst_Round::lostTurnCarriesIntoTheNextRound()
{
    Game game;
    game.start();
    QVERIFY(game.tickTo(roundLength));
    game.act("right");
    QVERIFY(game.fakes.timer.fire());
    QCOMPARE(int(game.round.state().TurnLost), 1);

    game.round.setUp();
    game.round.startPacing();
    QCOMPARE(int(game.round.state().Hits), 0);
    game.act("left");
    QCOMPARE(int(game.round.state().Hits), 0);
    QVERIFY(game.fakes.timer.fire());
    game.act("left");
    QCOMPARE(int(game.round.state().Hits), 1);
}

void tst_Round::everyTickDrawsFromAFreshSeed()
{
    Game game;
    game.start();
    game.fakes.clock.seconds = 45296.789;
    game.fakes.random.values = {0.5f, 0.25f, 0.999999f, 0.0f};
    QVERIFY(game.fakes.timer.fire());
    QCOMPARE(game.fakes.random.seeds, QList<float>{45296.789f});
    QCOMPARE(game.view.at, QPoint(2752, 4042));
    QCOMPARE(game.round.state().TargetLeft, std::int16_t(2752));
    QCOMPARE(game.round.state().TargetTop, std::int16_t(4042));
    game.fakes.clock.seconds += 0.004;
    QVERIFY(game.fakes.timer.fire());
    QCOMPARE(game.fakes.random.seeds.last(), 45296.793f);
    // The largest draw stays inside the range.
    QCOMPARE(game.view.at, QPoint(0, 8084));
}

void tst_Round::countersStopAtTheirLimits()
{
    QCOMPARE(increment(32767), std::int16_t(32767));
    QCOMPARE(decrement(-32768), std::int16_t(-32768));
    QCOMPARE(increment(-1), std::int16_t(0));
    QCOMPARE(decrement(0), std::int16_t(-1));
}

void tst_Round::recordFollowsTheRound()
{
    Game game;
    game.settings.chosenLevel = 2;
    game.fakes.clock.advance(1000);
    // The pointer 147 px from target 1's centre (bottom right, 33 px wide: centre 728.5, 528.5).
    game.view.pointerAt = QPointF(728.5 - 147, 528.5);
    game.start();
    game.fakes.clock.advance(400);
    game.act("miss");
    // Time under the box is left out of every span.
    game.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        game.fakes.clock.advance(5000);
    };
    game.act("right");
    game.fakes.messages.whileUp = nullptr;
    game.fakes.clock.advance(600);
    game.view.pointerAt.reset();
    QVERIFY(game.fakes.timer.fire());
    game.fakes.clock.advance(500);
    game.act("left");
    QVERIFY(game.tickTo(roundLength));
    QVERIFY(game.fakes.timer.fire());

    QCOMPARE(game.diary.rounds.size(), 1);
    const RoundRecord &round = game.diary.rounds.first();
    QCOMPARE(round.started, game.fakes.clock.date.addMSecs(1000));
    QCOMPARE(round.level, 2);
    QVERIFY(!round.rightButton);
    QVERIFY(!round.doubleClick);
    QCOMPARE(round.ending, RoundEnding::Result);
    QCOMPARE(round.score, 0);
    QCOMPARE(round.grade, QStringLiteral("Звание \" ТУПИЦА \""));
    QCOMPARE(round.targets.size(), roundLength);

    const TargetRecord &first = round.targets[0];
    QCOMPARE(first.number, 1);
    QCOMPARE(first.shownAtMs, 0);
    QCOMPARE(first.hitAfterMs, -1);
    QCOMPARE(first.misses, 1);
    QCOMPARE(first.penalties, QList<Penalty>{Penalty::RightWhileLeft});
    QCOMPARE(first.width, 33.0);
    QCOMPARE(first.distance, 147.0);
    const TargetRecord &second = round.targets[1];
    QCOMPARE(second.number, 2);
    QCOMPARE(second.shownAtMs, 1000);
    QCOMPARE(second.hitAfterMs, 500);
    QCOMPARE(second.distance, -1.0);
    QVERIFY(second.penalties.isEmpty());
}

void tst_Round::recordKeepsTheWayARoundEnded()
{
    Game game;
    game.start();
    game.act("left");
    game.round.abandon(RoundEnding::CloseButton);
    // Closing the field afterwards reports nothing more.
    game.round.abandon(RoundEnding::Quit);
    QVERIFY(!game.fakes.timer.isEnabled());
    QCOMPARE(game.diary.rounds.size(), 1);
    QCOMPARE(game.diary.rounds[0].ending, RoundEnding::CloseButton);
    QCOMPARE(game.diary.rounds[0].score, 1);
    QVERIFY(game.diary.rounds[0].grade.isEmpty());
    QCOMPARE(game.diary.rounds[0].targets.size(), 1);

    game.start();
    game.round.abandon(RoundEnding::Quit);
    QCOMPARE(game.diary.rounds.size(), 2);
    QCOMPARE(game.diary.rounds[1].ending, RoundEnding::Quit);
    QVERIFY(!game.fakes.timer.fire());
}

QTEST_MAIN(tst_Round)
#include "tst_round.moc"
