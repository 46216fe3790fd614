// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a round without any widget: pacing, grades, texts, judging and the record.
#include "fakes.h"
#include "fakesettings.h"
#include "round.h"
#include "roundview.h"

#include <QTest>

#include <string_view>
#include <tuple>

using namespace rules;

namespace {

// A round over fakes, set up and started as the Start button does it; start() begins another.
// It keeps what the round showed and reported; the pointer stands where the test puts it.
struct Game : RoundView, RoundReport
{
    FakePlatform fakes;
    FakeSettings settings;
    Round round{fakes.platform(), settings, *this};

    QMap<int, QString> labels;
    QPoint at;
    bool visible = false;
    int sizeTwips = 0, unloads = 0;
    std::uint32_t colour = ReadyColour;
    QStringList printed;
    std::optional<QPointF> pointerAt;
    QList<RoundRecord> rounds;

    void setLabel(int number, const QString &text) override { labels[number] = text; }
    void setTargetSize(int twips) override { sizeTwips = twips; }
    void moveTarget(int left, int top) override { at = {left, top}; }
    void setTargetVisible(bool shown) override { visible = shown; }
    void paintTarget(std::uint32_t painted) override { colour = painted; }
    void print(const QString &line) override { printed.append(line); }
    void unload() override { ++unloads; }
    std::optional<QPointF> pointer() const override { return pointerAt; }
    void roundEnded(const RoundRecord &record) override { rounds.append(record); }

    Game()
    {
        round.setReport(this);
        // The game window forwards its timer's ticks the same way.
        QObject::connect(&fakes.pacingTimer, &Timer::timeout, [this] { round.tick(); });
        start();
    }
    const GameState &state() const { return round.state(); }
    void start()
    {
        round.setUp();
        round.startPacing();
    }
    // Ticks until the target asked for is up; false if the timer stopped before.
    [[nodiscard]] bool tickTo(int targetNumber)
    {
        for (int tick = 0; tick < roundLength && state().TargetNumber < targetNumber; ++tick)
            fakes.pacingTimer.fire();
        return state().TargetNumber == targetNumber;
    }
    // The boxes shown so far, each as "title|text".
    QStringList boxes() const
    {
        QStringList seen;
        for (const auto &box : fakes.messages.shown)
            seen.append(box.title + '|' + box.text);
        return seen;
    }
    // One letter a move: L, R, M a press of that button; x a click on the empty field; D a real
    // double click, the first press and then the double click in place of the second.
    void act(std::string_view moves)
    {
        for (const char move : moves) {
            if (move == 'x')
                round.backgroundClick();
            else
                round.press(move == 'R' ? 2 : move == 'M' ? 4 : 1);
            if (move == 'D')
                round.doubleClick();
        }
    }
};

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

// A notice box as Game::boxes() gives it; its paragraphs are parted by an empty line.
QString cheating(int titleBlanks, const QStringList &paragraphs)
{
    return blanks(titleBlanks) + "Обнаружена попытка обмана|" + paragraphs.join("\r\n\r\n");
}

// Every table is one column of a row struct; the row's first member names it.
template <typename Row> void addRows(std::initializer_list<Row> rows)
{
    QTest::addColumn<Row>("row");
    for (const Row &row : rows)
        QTest::newRow(row.name) << row;
}

// clang-format off
// Graded names its row with the score as the result box writes it: a blank where a minus would be.
struct Graded { const char *name; int hits; QString grade; };
struct Judged { const char *name; bool twice, left; const char *before, *move; int hits;
                bool red, lost; QStringList boxes; };
// clang-format on

} // namespace

class tst_Round : public QObject
{
    Q_OBJECT
private slots:
    void roundShowsThirtyTargetsThenTheResult()
    {
        Game game;
        game.fakes.messages.answers = {MessageBox::TryAgain};
        game.fakes.clock.seconds = 45296.789;
        game.fakes.random.values = {0.5f, 0.25f, 0.999999f, 0.0f};
        // Target n + 1 stays as long as the tick at target n says; the pace quickens to the end.
        QList<int> intervals{game.fakes.pacingTimer.interval()};
        QList<QPoint> places;
        for (int n = 1; n < roundLength; ++n) {
            QVERIFY(game.fakes.pacingTimer.fire());
            QCOMPARE(game.state().TargetNumber, n + 1);
            QCOMPARE(QPoint(game.state().TargetLeft, game.state().TargetTop), game.at);
            intervals.append(game.fakes.pacingTimer.interval());
            places.append(game.at);
            game.fakes.clock.seconds += 0.004;
        }
        // Every target is drawn from a fresh seed, the time of day; the largest draw stays inside.
        QCOMPARE(game.fakes.random.seeds.size(), roundLength - 1);
        QCOMPARE(game.fakes.random.seeds.mid(0, 2), (QList<float>{45296.789f, 45296.793f}));
        QCOMPARE(places.mid(0, 2), (QList<QPoint>{{2752, 4042}, {0, 8084}}));
        QCOMPARE(intervals,
                 (QList<int>{3000, 2633, 2566, 2500, 2433, 2366, 2300, 2233, 2166, 2100,
                             2033, 1966, 1900, 1833, 1766, 1700, 1633, 1566, 1500, 1433,
                             1366, 1300, 1233, 1166, 1100, 1033, 966,  900,  833,  766}));
        QVERIFY(game.fakes.pacingTimer.fire());
        const FakeMessageBox::Shown result = game.fakes.messages.shown.value(0);
        QCOMPARE(result.title, blanks(10) + "Пришло время собирать камни");
        QCOMPARE(result.text, resultText(0, gradeText(0)));
        QCOMPARE(result.buttons, int(MessageBox::CancelTryContinue));
        // The box's answer is written on the field; then the field goes and the timer stops.
        QCOMPARE(game.printed, QStringList{"10"});
        QCOMPARE(std::tuple(game.visible, game.unloads, game.fakes.pacingTimer.isEnabled(),
                            game.fakes.pacingTimer.interval(), game.round.isActive()),
                 std::tuple(false, 1, false, 0, false));
        QVERIFY(!game.fakes.pacingTimer.fire());
    }

    void gradeFollowsScore_data()
    {
        const QString five = blanks(31) + "П Я Т Ё Р К У", four = blanks(30) + "Ч Е Т В Ё Р К У",
                      three = blanks(32) + "Т Р О Й К У", two = blanks(31) + "Д В О Й К У",
                      dunce = blanks(25) + "Звание \" ТУПИЦА \"";
        // clang-format off
        addRows<Graded>({{" 30", 30, five}, {" 28", 28, five}, {" 27", 27, four}, {" 22", 22, four},
                         {" 21", 21, three}, {" 15", 15, three}, {" 14", 14, two}, {" 1", 1, two},
                         {" 0", 0, dunce}, {"-1", -1, dunce}, {"-32768", -32768, dunce}});
        // clang-format on
    }
    void gradeFollowsScore()
    {
        QFETCH(Graded, row);
        QCOMPARE(gradeText(row.hits), row.grade);
        QCOMPARE(resultText(row.hits, row.grade),
                 " Итак, из 30 возможных Вы попали по " + QString(row.name) + " кнопкам\r\n\r\n" +
                     blanks(14) + "за такой результат Вы получаете\r\n\r\n" + row.grade);
    }

    // The turn is brought into its state with the player's own moves ("before", the left button
    // chosen); then the choices are set and the move is made.
    void judging_data()
    {
        const QString pointTaken = blanks(31) + "Я вычел из результата одно попадание.";
        const QString chose = "Насколько я помню Вы выбрали тренировку %1 кнопки, а не %2.";
        const QString m2 = cheating(18, {" Одного щелчка вполне достаточно, чтобы я Вас понял.  ",
                                         " Вы ведь выбрали одинарный щелчок, а не двойной.",
                                         " Поэтому данный ход я не защитываю правильным."});
        const QString m3 = cheating(6, {"Левой кнопкой надо делать двойной щелчёк.",
                                        blanks(13) + "Этот ход Вы пропускаете."});
        const QString m4 = cheating(22, {chose.arg("левой", "правой"), pointTaken});
        const QString m5 = cheating(22, {chose.arg("правой", "левой"), pointTaken});
        // clang-format off
        addRows<Judged>({
        //  name                            twice  left   before move hits red    lost   boxes
            {"single left press scores",     false, true,  "",   "L", 1,  true,  false, {}},
            {"press on red scores not",      false, true,  "L",  "L", 1,  true,  false, {}},
            {"middle press scores",          false, true,  "",   "M", 1,  true,  false, {}},
            {"middle scores for right",      false, false, "",   "M", 1,  true,  false, {}},
            {"right press, left chosen",     false, true,  "",   "R", -1, false, true,  {m4}},
            {"right press, right chosen",    false, false, "",   "R", 1,  true,  false, {}},
            {"left press, right chosen",     false, false, "",   "L", -1, false, true,  {m5}},
            {"lost turn: left scores not",   false, true,  "xx", "L", 0,  false, true,  {}},
            {"lost turn: wrong still costs", false, true,  "xx", "R", -1, false, true,  {m4}},
            {"double in single mode",        false, true,  "",   "D", 0,  true,  false, {m2}},
            {"double on red, single mode",   false, true,  "L",  "D", 0,  true,  false, {m2}},
            {"double, lost turn",            false, true,  "xx", "D", 0,  false, true,  {}},
            {"double mode: double scores",   true,  true,  "",   "D", 1,  true,  false, {}},
            {"double mode: on red",          true,  true,  "D",  "D", 1,  true,  false, {}},
            {"double mode: press alone",     true,  true,  "",   "L", 0,  false, false, {}},
            {"double mode: middle alone",    true,  true,  "",   "M", 0,  false, false, {}},
            {"double mode: right press",     true,  true,  "",   "R", -1, false, true,  {m3, m4}},
            {"double mode, lost: right",     true,  true,  "xx", "R", -1, false, true,  {m3, m4}},
            {"double mode, lost: double",    true,  true,  "xx", "D", 0,  false, true,  {}},
        });
        // clang-format on
    }
    void judging()
    {
        QFETCH(Judged, row);
        Game game;
        game.settings.twice = row.twice;
        game.act(row.before);
        game.fakes.messages.shown.clear();
        // The choices are read live, at the moment of the event.
        game.settings.left = row.left;
        game.act(row.move);
        QCOMPARE(std::tuple(int(game.state().Hits), game.colour, int(game.state().TurnLost)),
                 std::tuple(row.hits, row.red ? HitColour : ReadyColour, row.lost ? 1 : 0));
        QCOMPARE(game.boxes(), row.boxes);
        for (const auto &box : game.fakes.messages.shown)
            QCOMPARE(box.buttons, int(MessageBox::OkOnly));
        // Whatever became of this one, the next target comes up light green.
        QVERIFY(game.fakes.pacingTimer.fire());
        QCOMPARE(game.colour, ReadyColour);
    }

    void missesBringTheNoticeTwiceAndCountersStopAtTheirLimits()
    {
        Game game;
        QList<int> lost;
        game.fakes.messages.whileUp = [&](const auto &) { lost.append(game.state().TurnLost); };
        game.act("x");
        QVERIFY(game.fakes.messages.shown.isEmpty());
        game.act("xx");
        QCOMPARE(game.boxes(),
                 QStringList(4, cheating(21, {" Щёлкайте по-точнее. Я даю возможность "
                                              "промахнуться три раза. ",
                                              blanks(26) + "Не уподобляйтесь пулемёту !!! ",
                                              blanks(29) + "Этот ход Вы пропускаете."})));
        // The turn is lost between the two showings, and the answer of the first is written.
        QCOMPARE(lost, (QList<int>{0, 1, 1, 1}));
        QCOMPARE(game.printed, (QStringList{"1", "1"}));
        // A press on the target while the turn is lost does not reset the count.
        game.act("L");
        QCOMPARE(game.state().MissCount, 3);
        // The next target starts clean.
        QVERIFY(game.fakes.pacingTimer.fire());
        QCOMPARE(std::tuple(int(game.state().MissCount), int(game.state().TurnLost)),
                 std::tuple(0, 0));
        // A long run of wrong presses and misses in one turn: the counters stop at their limits.
        for (int i = 0; i <= 32768; ++i)
            game.act("Rx");
        QCOMPARE(std::tuple(int(game.state().Hits), int(game.state().MissCount)),
                 std::tuple(-32768, 32767));
    }

    void timerIsOffUnderEveryBoxAndALostTurnCarriesOver()
    {
        Game game;
        QVERIFY(game.tickTo(5));
        int boxes = 0;
        game.fakes.messages.whileUp = [&](const auto &) {
            ++boxes;
            QVERIFY(!game.fakes.pacingTimer.isEnabled());
            QVERIFY(game.round.noticeShowing());
            // Input while a box is up is not judged.
            game.act("Rx");
        };
        for (const char *turn : {"R", "D", "xx"}) {
            const int restarts = game.fakes.pacingTimer.restarts;
            game.act(turn);
            // A whole current interval starts anew once the box is gone.
            QVERIFY(game.fakes.pacingTimer.isEnabled());
            QVERIFY(game.fakes.pacingTimer.restarts > restarts);
            QCOMPARE(game.fakes.pacingTimer.interval(),
                     intervalAfter(game.state().TargetNumber - 1));
            QVERIFY(game.fakes.pacingTimer.fire());
        }
        QCOMPARE(game.fakes.messages.mostOpenAtOnce, 1);
        // A turn lost on the last target stays lost in the next round until its first tick.
        QVERIFY(game.tickTo(roundLength));
        game.act("R");
        QVERIFY(game.fakes.pacingTimer.fire());
        QCOMPARE(boxes, 6);
        game.start();
        game.act("L");
        QCOMPARE(game.state().Hits, 0);
        QVERIFY(game.fakes.pacingTimer.fire());
        game.act("L");
        QCOMPARE(game.state().Hits, 1);
    }

    void recordFollowsTheRoundToItsEnd()
    {
        Game game;
        game.settings.chosenLevel = 2;
        game.fakes.clock.advance(1000);
        // 147 px from target 1's centre (33 px wide at the bottom right: 728.5, 528.5).
        game.pointerAt = QPointF(728.5 - 147, 528.5);
        game.start();
        game.fakes.clock.advance(400);
        game.act("x");
        // Time under a box is left out of every span.
        game.fakes.messages.whileUp = [&](const auto &) { game.fakes.clock.advance(5000); };
        game.act("R");
        game.fakes.clock.advance(600);
        game.pointerAt.reset();
        QVERIFY(game.fakes.pacingTimer.fire());
        game.fakes.clock.advance(500);
        game.act("L");
        QVERIFY(game.tickTo(roundLength));
        QVERIFY(game.fakes.pacingTimer.fire());
        const RoundRecord played = game.rounds.value(0);
        QCOMPARE(played.started, game.fakes.clock.date.addMSecs(1000));
        QCOMPARE(std::tuple(played.level, played.rightButton, played.doubleClick, played.ending,
                            played.score, played.grade, played.targets.size()),
                 std::tuple(2, false, false, RoundEnding::Result, 0,
                            QStringLiteral("Звание \" ТУПИЦА \""), roundLength));
        const TargetRecord &first = played.targets[0], &second = played.targets[1];
        QCOMPARE(std::tuple(first.number, first.shownAtMs, first.hitAfterMs, first.misses,
                            first.width, first.distance, first.penalties),
                 std::tuple(1, 0, -1, 1, 33.0, 147.0, QList{Penalty::RightWhileLeft}));
        QCOMPARE(std::tuple(second.number, second.shownAtMs, second.hitAfterMs, second.distance,
                            second.penalties.size()),
                 std::tuple(2, 1000, 500, -1.0, 0));
        // Closed by its button after a hit, in the round after a result: no grade.
        game.start();
        game.act("L");
        game.round.abandon(RoundEnding::CloseButton);
        const RoundRecord &closed = game.rounds.value(1);
        QCOMPARE(std::tuple(closed.ending, closed.score, closed.grade, closed.targets.size()),
                 std::tuple(RoundEnding::CloseButton, 1, QString(), 1));
    }
};

QTEST_MAIN(tst_Round)
#include "tst_round.moc"
