// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "gamewindow.h"
#include "player.h"
#include "targetbox.h"
#include "trainingsettings.h"

#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using namespace rules;

namespace {

class FakeSettings : public TrainingSettings
{
public:
    int level() const override { return chosenLevel; }
    bool leftChosen() const override { return left; }
    bool rightChosen() const override { return !left; }
    int doubleClick() const override { return twice ? 1 : 0; }

    int chosenLevel = 1;
    bool left = true;
    bool twice = false;
};

// A game window with fakes around it, started as the Start button starts it.
struct Round
{
    FakePlatform fakes;
    FakeSettings settings;
    GameWindow game{fakes.platform(), settings};

    void start()
    {
        game.load();
        game.show();
        fakes.timer.setEnabled(true);
        fakes.timer.setInterval(firstInterval);
    }
    TargetBox *target() const { return player::target(game); }
    QString label(const char *name) const
    {
        return game.findChild<QLabel *>(QLatin1String(name))->text();
    }
    void press(Qt::MouseButton button) { player::press(game, button); }
    void doubleClick(Qt::MouseButton button = Qt::LeftButton) { player::doubleClick(game, button); }
    void missClick() { player::missClick(game); }
    void closeRound() { player::closeRound(game); }
    QStringList noticeTitles() const
    {
        QStringList titles;
        for (const auto &box : fakes.messages.shown)
            titles.append(box.title.trimmed() + QString::number(box.title.size()));
        return titles;
    }
    void tickTo(int targetNumber)
    {
        while (game.state().TargetNumber < targetNumber)
            QVERIFY(fakes.timer.fire());
    }
};

const QString cheating = QStringLiteral("Обнаружена попытка обмана");
QString titleOf(int blanks) { return cheating + QString::number(blanks + cheating.size()); }

} // namespace

class tst_GameWindow : public QObject
{
    Q_OBJECT
private slots:
    void loadSetsUpTheRound_data();
    void loadSetsUpTheRound();
    void windowHasItsDesignLook();
    void roundShowsThirtyTargetsAtQuickeningPace();
    void resultBoxAnswerIsWrittenAndWindowCloses_data();
    void resultBoxAnswerIsWrittenAndWindowCloses();
    void tickPlacesTargetFromFreshSeed_data();
    void tickPlacesTargetFromFreshSeed();
    void closeButtonAbandonsRound();
    void reloadStartsAfresh();
    void lostTurnCarriesIntoNextRound();
    void labelsKeepChoicesMadeAtLoad();
    void targetIsFlatAndExact();

    void judging_data();
    void judging();
    void missesRaiseNoticeFromTheSecondOn();
    void clicksOnLabelsAndCloseAreNotMisses();
    void timerIsOffWhileEveryBoxIsUp();
    void noticeRestartsTheWholeInterval();
    void unexpectedAnswerStillResumesRound();
    void countersSaturate();
    void randomPlayKeepsRoundInvariants();
};

void tst_GameWindow::loadSetsUpTheRound_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("twice");
    QTest::addColumn<QString>("levelName");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("buttonWord");
    QTest::addColumn<QString>("clickWord");
    QTest::newRow("beginner left single") << 1 << true << false << "Начинающий" << 49 << "левый"
                                          << "одинарный";
    QTest::newRow("seasoned right single") << 2 << false << false << "Бывалый" << 33 << "правый"
                                           << "одинарный";
    QTest::newRow("skilled left double") << 3 << true << true << "Опытный" << 17 << "левый"
                                         << "двойной";
    QTest::newRow("superman right double") << 4 << false << true << "Супермен" << 9 << "правый"
                                           << "двойной";
}

void tst_GameWindow::loadSetsUpTheRound()
{
    QFETCH(int, level);
    QFETCH(bool, left);
    QFETCH(bool, twice);
    Round round;
    round.settings.chosenLevel = level;
    round.settings.left = left;
    round.settings.twice = twice;
    round.game.load();

    QTEST(round.label("Label1"), "levelName");
    QTEST(round.label("Label2"), "buttonWord");
    QTEST(round.label("Label3"), "clickWord");
    QFETCH(int, size);
    QCOMPARE(round.target()->geometry(), QRect(712, 512, size, size));
    QVERIFY(!round.target()->isHidden());
    QCOMPARE(round.target()->backColor(), ReadyColour);
    QCOMPARE(round.game.state().TargetNumber, std::int16_t(1));
    QCOMPARE(round.game.state().Hits, std::int16_t(0));
    // Loading alone does not start the round.
    QVERIFY(!round.fakes.timer.isEnabled());
    QCOMPARE(round.fakes.timer.interval(), 0);
}

void tst_GameWindow::windowHasItsDesignLook()
{
    Round round;
    round.start();
    QCOMPARE(round.game.windowTitle(), QStringLiteral("game"));
    QVERIFY(round.game.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(round.game.size(), QSize(768, 572));
    QCOMPARE(round.game.palette().color(QPalette::Window), QColor(0, 128, 0));
    QCOMPARE(round.target()->toolTip(), QStringLiteral("Ой - ё - ёй, поймал !!!"));

    auto *close = round.game.findChild<QPushButton *>(QStringLiteral("Command1"));
    QCOMPARE(close->text(), QStringLiteral("X"));
    QCOMPARE(close->geometry(), QRect(752, 0, 17, 17));
    QCOMPARE(close->toolTip(), QStringLiteral("Закрыть"));
    QVERIFY(close->font().bold());

    struct Expected
    {
        const char *name;
        QRect rect;
        QString text;
    };
    const Expected labels[] = {{"Label1", QRect(8, 8, 97, 17), "Начинающий"},
                               {"Label2", QRect(8, 24, 41, 17), "левый"},
                               {"Label3", QRect(56, 24, 65, 17), "одинарный"},
                               {"Label4", QRect(304, 0, 153, 25), "Квадрилка"},
                               {"Label5", QRect(472, 5, 73, 25), "ver. 2.0"}};
    for (const Expected &expected : labels) {
        auto *label = round.game.findChild<QLabel *>(QLatin1String(expected.name));
        QCOMPARE(label->geometry(), expected.rect);
        QCOMPARE(label->text(), expected.text);
    }
    const QFont title = round.game.findChild<QLabel *>("Label4")->font();
    QVERIFY(title.bold() && title.italic());
    QCOMPARE(title.pointSizeF(), 18.0);
    QCOMPARE(round.game.findChild<QLabel *>("Label5")->font().pointSizeF(), 14.25);
    QCOMPARE(round.game.findChild<QLabel *>("Label1")->alignment(), Qt::AlignCenter);

    // The labels paint their own text colour on the field colour.
    const QImage shot = round.game.grab().toImage();
    QCOMPARE(shot.pixelColor(200, 200), QColor(0, 128, 0));
    QCOMPARE(shot.pixelColor(306, 2), QColor(0, 128, 0));
    bool brightGreen = false;
    for (int x = 304; x < 457 && !brightGreen; ++x)
        for (int y = 0; y < 25 && !brightGreen; ++y)
            brightGreen = shot.pixelColor(x, y) == QColor(0, 255, 0);
    QVERIFY(brightGreen);
}

void tst_GameWindow::roundShowsThirtyTargetsAtQuickeningPace()
{
    Round round;
    round.start();
    QCOMPARE(round.fakes.timer.interval(), 3000);
    int elapsed = round.fakes.timer.interval();
    for (int n = 1; n < 30; ++n) {
        QCOMPARE(round.game.state().TargetNumber, std::int16_t(n));
        QVERIFY(round.fakes.timer.fire());
        QCOMPARE(round.fakes.timer.interval(), intervalAfter(n));
        QVERIFY(round.fakes.timer.isEnabled());
        elapsed += round.fakes.timer.interval();
        QVERIFY(!round.target()->isHidden());
        QVERIFY(round.fakes.messages.shown.isEmpty());
    }
    // Thirty targets shown; the round ends on the next tick, 52,290 ms after Start.
    QCOMPARE(round.game.state().TargetNumber, std::int16_t(30));
    QCOMPARE(elapsed, 52290);
    QVERIFY(round.fakes.timer.fire());
    QCOMPARE(round.fakes.messages.shown.size(), 1);
    const auto &result = round.fakes.messages.shown.first();
    QCOMPARE(result.buttons, 6);
    QCOMPARE(result.title, QString(10, ' ') + "Пришло время собирать камни");
    QCOMPARE(result.text, resultText(0, QString(25, ' ') + "Звание \" ТУПИЦА \""));
    QCOMPARE(round.game.state().GradeText, QString(25, ' ') + "Звание \" ТУПИЦА \"");
    QVERIFY(!round.fakes.timer.isEnabled());
    QCOMPARE(round.fakes.timer.interval(), 0);
    QVERIFY(!round.game.isLoaded());
    QVERIFY(!round.game.isVisible());
    QVERIFY(!round.fakes.timer.fire());
}

void tst_GameWindow::resultBoxAnswerIsWrittenAndWindowCloses_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("cancel") << 2;
    QTest::newRow("try again") << 10;
    QTest::newRow("continue") << 11;
}

void tst_GameWindow::resultBoxAnswerIsWrittenAndWindowCloses()
{
    QFETCH(int, answer);
    Round round;
    round.start();
    round.tickTo(30);
    bool targetHiddenWhileUp = false;
    round.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        targetHiddenWhileUp = round.target()->isHidden() && round.game.isVisible();
    };
    round.fakes.messages.answers.push_back(answer);
    round.fakes.timer.fire();
    QVERIFY(targetHiddenWhileUp);
    QCOMPARE(round.game.printedLines(), QStringList{QString::number(answer)});
    QVERIFY(!round.game.isVisible());
}

void tst_GameWindow::tickPlacesTargetFromFreshSeed_data()
{
    QTest::addColumn<float>("r1");
    QTest::addColumn<float>("r2");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::newRow("origin") << 0.0f << 0.0f << 0 << 0;
    QTest::newRow("middle") << 0.5f << 0.5f << 4042 << 5505;
    QTest::newRow("largest below one") << 0.99999994f << 0.99999994f << 8084 << 11009;
    QTest::newRow("uneven") << 0.25f << 0.75f << 2021 << 8257;
}

void tst_GameWindow::tickPlacesTargetFromFreshSeed()
{
    QFETCH(float, r1);
    QFETCH(float, r2);
    QFETCH(int, top);
    QFETCH(int, left);
    Round round;
    round.start();
    round.fakes.clock.now = 45296.789;
    round.fakes.random.values = {r1, r2};
    round.fakes.timer.fire();
    QCOMPARE(round.fakes.random.seeds, QList<float>{45296.789f});
    QCOMPARE(int(round.game.state().TargetTop), top);
    QCOMPARE(int(round.game.state().TargetLeft), left);
    QCOMPARE(round.target()->pos(), QPoint(twips::toPixels(left), twips::toPixels(top)));
    QCOMPARE(round.target()->size(), QSize(49, 49));

    // Each tick re-seeds: two ticks a few milliseconds apart get different seeds.
    round.fakes.clock.now += 0.004;
    round.fakes.timer.fire();
    QCOMPARE(round.fakes.random.seeds.size(), 2);
    QVERIFY(round.fakes.random.seeds[0] != round.fakes.random.seeds[1]);
}

void tst_GameWindow::closeButtonAbandonsRound()
{
    Round round;
    round.start();
    round.tickTo(5);
    round.closeRound();
    QVERIFY(!round.game.isLoaded());
    QVERIFY(!round.game.isVisible());
    QVERIFY(!round.fakes.timer.isEnabled());
    QVERIFY(!round.fakes.timer.fire());
    QVERIFY(round.fakes.messages.shown.isEmpty());
    QCOMPARE(round.target(), nullptr);
}

void tst_GameWindow::reloadStartsAfresh()
{
    Round round;
    round.start();
    round.press(Qt::LeftButton);
    round.tickTo(7);
    round.closeRound();
    round.settings.chosenLevel = 4;
    round.start();
    QCOMPARE(round.game.state().TargetNumber, std::int16_t(1));
    QCOMPARE(round.game.state().Hits, std::int16_t(0));
    QCOMPARE(round.target()->geometry(), QRect(712, 512, 9, 9));
    QCOMPARE(round.game.findChildren<TargetBox *>().size(), 1);
    QCOMPARE(round.fakes.timer.interval(), 3000);
}

void tst_GameWindow::lostTurnCarriesIntoNextRound()
{
    Round round;
    round.start();
    round.press(Qt::RightButton);
    QCOMPARE(round.game.state().TurnLost, std::int16_t(1));
    round.closeRound();

    round.start();
    QCOMPARE(round.game.state().TurnLost, std::int16_t(1));
    round.press(Qt::LeftButton);
    QCOMPARE(round.game.state().Hits, std::int16_t(0));
    QCOMPARE(round.target()->backColor(), ReadyColour);
    round.fakes.timer.fire();
    round.press(Qt::LeftButton);
    QCOMPARE(round.game.state().Hits, std::int16_t(1));
}

void tst_GameWindow::labelsKeepChoicesMadeAtLoad()
{
    Round round;
    round.start();
    round.settings.chosenLevel = 3;
    round.settings.left = false;
    round.settings.twice = true;
    round.tickTo(3);
    QCOMPARE(round.label("Label1"), QStringLiteral("Начинающий"));
    QCOMPARE(round.label("Label2"), QStringLiteral("левый"));
    QCOMPARE(round.label("Label3"), QStringLiteral("одинарный"));
    QCOMPARE(round.target()->size(), QSize(49, 49));
}

void tst_GameWindow::targetIsFlatAndExact()
{
    Round round;
    round.start();
    const QImage ready = round.target()->grab().toImage();
    round.press(Qt::LeftButton);
    const QImage hit = round.target()->grab().toImage();
    for (int y = 0; y < 49; ++y) {
        for (int x = 0; x < 49; ++x) {
            QCOMPARE(ready.pixelColor(x, y), QColor(128, 255, 128));
            QCOMPARE(hit.pixelColor(x, y), QColor(255, 0, 0));
        }
    }
}

// One event on the target or the field, judged from a given turn state.
void tst_GameWindow::judging_data()
{
    QTest::addColumn<bool>("twice");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("turnLost");
    QTest::addColumn<bool>("alreadyHit");
    QTest::addColumn<QString>("action");
    // The score after the whole turn.
    QTest::addColumn<int>("hits");
    QTest::addColumn<bool>("red");
    QTest::addColumn<bool>("lostAfter");
    QTest::addColumn<QStringList>("notices");

    const QString m2 = titleOf(18), m3 = titleOf(6), m4 = titleOf(22), m5 = titleOf(22);
    // clang-format off
    //                                        twice  left   lost   hit    action     hits red  lost  notices
    QTest::newRow("single left press scores")  << false << true  << false << false << "left"   << 1  << true  << false << QStringList{};
    QTest::newRow("press on red scores not")   << false << true  << false << true  << "left"   << 1  << true  << false << QStringList{};
    QTest::newRow("middle press scores")       << false << true  << false << false << "middle" << 1  << true  << false << QStringList{};
    QTest::newRow("middle scores for right")   << false << false << false << false << "middle" << 1  << true  << false << QStringList{};
    QTest::newRow("right press, left chosen")  << false << true  << false << false << "right"  << -1 << false << true  << QStringList{m4};
    QTest::newRow("right press, right chosen") << false << false << false << false << "right"  << 1  << true  << false << QStringList{};
    QTest::newRow("left press, right chosen")  << false << false << false << false << "left"   << -1 << false << true  << QStringList{m5};
    QTest::newRow("lost turn: left scores not")<< false << true  << true  << false << "left"   << 0  << false << true  << QStringList{};
    QTest::newRow("lost turn: wrong still costs") << false << true << true << false << "right" << -1 << false << true  << QStringList{m4};
    QTest::newRow("double in single mode")     << false << true  << false << false << "double" << 0  << true  << false << QStringList{m2};
    QTest::newRow("double on red, single mode")<< false << true  << false << true  << "double" << 0  << true  << false << QStringList{m2};
    QTest::newRow("double, lost turn")         << false << true  << true  << false << "double" << 0  << false << true  << QStringList{};
    QTest::newRow("double mode: double scores")<< true  << true  << false << false << "double" << 1  << true  << false << QStringList{};
    QTest::newRow("double mode: on red")       << true  << true  << false << true  << "double" << 1  << true  << false << QStringList{};
    QTest::newRow("double mode: press alone")  << true  << true  << false << false << "left"   << 0  << false << false << QStringList{};
    QTest::newRow("double mode: middle alone") << true  << true  << false << false << "middle" << 0  << false << false << QStringList{};
    QTest::newRow("double mode: right press")  << true  << true  << false << false << "right"  << -1 << false << true  << QStringList{m3, m4};
    QTest::newRow("double mode, lost: right")  << true  << true  << true  << false << "right"  << -1 << false << true  << QStringList{m3, m4};
    QTest::newRow("double mode, lost: double") << true  << true  << true  << false << "double" << 0  << false << true  << QStringList{};
    // clang-format on
}

void tst_GameWindow::judging()
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

    Round round;
    round.start();
    // Bring the turn into the state asked for with the player's own moves.
    round.settings.twice = twice;
    if (alreadyHit) {
        if (twice)
            round.doubleClick();
        else
            round.press(Qt::LeftButton);
        QCOMPARE(round.game.state().Hits, std::int16_t(1));
    }
    if (turnLost) {
        round.missClick();
        round.missClick();
    }
    round.fakes.messages.shown.clear();
    round.settings.left = left;

    if (action == "left")
        round.press(Qt::LeftButton);
    else if (action == "right")
        round.press(Qt::RightButton);
    else if (action == "middle")
        round.press(Qt::MiddleButton);
    else
        round.doubleClick(Qt::LeftButton);

    QCOMPARE(int(round.game.state().Hits), hits);
    QCOMPARE(round.target()->backColor() == HitColour, red);
    QCOMPARE(round.game.state().TurnLost == 1, lostAfter);
    QCOMPARE(round.noticeTitles(), notices);
    for (const auto &box : round.fakes.messages.shown)
        QCOMPARE(box.buttons, 0);
}

void tst_GameWindow::missesRaiseNoticeFromTheSecondOn()
{
    Round round;
    round.start();
    round.missClick();
    QVERIFY(round.fakes.messages.shown.isEmpty());
    QCOMPARE(round.game.state().MissCount, std::int16_t(1));
    QCOMPARE(round.game.state().TurnLost, std::int16_t(0));

    QList<std::int16_t> lostWhileUp;
    round.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        lostWhileUp.append(round.game.state().TurnLost);
    };
    round.missClick();
    const Notice miss = notice(Penalty::Miss);
    QCOMPARE(round.fakes.messages.shown.size(), 2);
    for (const auto &box : round.fakes.messages.shown) {
        QCOMPARE(box.text, miss.text);
        QCOMPARE(box.title, miss.title);
        QCOMPARE(box.buttons, 0);
    }
    // The turn is lost between the two showings.
    QCOMPARE(lostWhileUp, (QList<std::int16_t>{0, 1}));
    QCOMPARE(round.game.printedLines(), QStringList{"1"});

    round.missClick();
    QCOMPARE(round.fakes.messages.shown.size(), 4);
    QCOMPARE(round.game.printedLines(), (QStringList{"1", "1"}));
    QCOMPARE(round.game.state().MissCount, std::int16_t(3));

    // A press that is judged while the turn is lost does not reset the count; a tick does.
    round.press(Qt::LeftButton);
    QCOMPARE(round.game.state().MissCount, std::int16_t(3));
    round.fakes.timer.fire();
    QCOMPARE(round.game.state().MissCount, std::int16_t(0));
    QCOMPARE(round.game.state().TurnLost, std::int16_t(0));
    round.missClick();
    QCOMPARE(round.fakes.messages.shown.size(), 4);

    // A press judged in a live turn starts the count again.
    round.press(Qt::LeftButton);
    round.missClick();
    QCOMPARE(round.fakes.messages.shown.size(), 4);
}

void tst_GameWindow::clicksOnLabelsAndCloseAreNotMisses()
{
    Round round;
    round.start();
    for (const char *name : {"Label1", "Label2", "Label3", "Label4", "Label5"}) {
        auto *label = round.game.findChild<QLabel *>(QLatin1String(name));
        QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    }
    QTest::mouseClick(round.target(), Qt::RightButton, {}, QPoint(2, 2));
    round.fakes.messages.shown.clear();
    QCOMPARE(round.game.state().MissCount, std::int16_t(0));
    // A double click on the field is one miss, not two.
    QTest::mouseClick(&round.game, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseDClick(&round.game, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(&round.game, Qt::LeftButton, {}, QPoint(300, 300));
    QCOMPARE(round.game.state().MissCount, std::int16_t(1));
    // Pressing on the field and letting go over a label is no click either.
    QTest::mousePress(&round.game, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(&round.game, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(round.game.state().MissCount, std::int16_t(1));
}

void tst_GameWindow::timerIsOffWhileEveryBoxIsUp()
{
    Round round;
    round.start();
    int boxes = 0;
    round.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        ++boxes;
        QVERIFY(!round.fakes.timer.isEnabled());
        QVERIFY(round.game.noticeShowing());
        // Input that reaches the window while a box is up changes nothing.
        const GameState before = round.game.state();
        round.press(Qt::LeftButton);
        round.missClick();
        QCOMPARE(round.game.state().Hits, before.Hits);
        QCOMPARE(round.game.state().MissCount, before.MissCount);
    };
    round.press(Qt::RightButton);
    QVERIFY(round.fakes.timer.isEnabled());
    round.fakes.timer.fire();
    round.settings.twice = true;
    round.press(Qt::RightButton);
    QVERIFY(round.fakes.timer.isEnabled());
    round.fakes.timer.fire();
    round.settings.twice = false;
    round.doubleClick();
    QVERIFY(round.fakes.timer.isEnabled());
    round.missClick();
    round.missClick();
    QVERIFY(round.fakes.timer.isEnabled());
    round.tickTo(30);
    round.fakes.timer.fire();
    QCOMPARE(boxes, 1 + 2 + 1 + 2 + 1);
    QCOMPARE(round.fakes.messages.mostOpenAtOnce, 1);
}

void tst_GameWindow::noticeRestartsTheWholeInterval()
{
    Round round;
    round.start();
    round.tickTo(10);
    const int interval = round.fakes.timer.interval();
    const int restarts = round.fakes.timer.restarts;
    round.press(Qt::RightButton);
    QCOMPARE(round.fakes.timer.restarts, restarts + 1);
    QCOMPARE(round.fakes.timer.interval(), interval);
    QCOMPARE(round.game.state().TargetNumber, std::int16_t(10));
}

void tst_GameWindow::unexpectedAnswerStillResumesRound()
{
    Round round;
    round.start();
    round.fakes.messages.answers = {0, -1, 99};
    round.press(Qt::RightButton);
    QVERIFY(round.fakes.timer.isEnabled());
    round.missClick();
    round.missClick();
    QVERIFY(round.fakes.timer.isEnabled());
    QCOMPARE(round.game.printedLines(), QStringList{"-1"});
}

void tst_GameWindow::countersSaturate()
{
    Round round;
    round.start();
    constexpr int bottom = std::numeric_limits<std::int16_t>::min();
    // Each wrong press takes a point; far more of them than the counter holds.
    for (int i = 0; i < -bottom + 10; ++i)
        round.press(Qt::RightButton);
    QCOMPARE(int(round.game.state().Hits), bottom);
    round.fakes.timer.fire();
    for (int i = 0; i < 32767 + 10; ++i)
        round.missClick();
    QCOMPARE(int(round.game.state().MissCount), 32767);
    round.tickTo(30);
    round.fakes.timer.fire();
    QCOMPARE(round.fakes.messages.shown.last().text,
             resultText(bottom, QString(25, ' ') + "Звание \" ТУПИЦА \""));
}

void tst_GameWindow::randomPlayKeepsRoundInvariants()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator chance(seed);
    Round round;
    round.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        QVERIFY2(!round.fakes.timer.isEnabled(), qPrintable(QString::number(seed)));
    };
    round.start();
    int targetsShown = 1;
    QSet<int> scoredTargets;
    int scoredThisRound = 0;
    for (int step = 0; step < 4000; ++step) {
        if (!round.game.isLoaded()) {
            round.start();
            targetsShown = 1;
            scoredThisRound = 0;
            scoredTargets.clear();
        }
        const int before = round.game.state().Hits;
        const std::uint32_t colourBefore = round.target()->backColor();
        switch (chance.bounded(9)) {
        case 0:
            round.press(Qt::LeftButton);
            break;
        case 1:
            round.press(Qt::RightButton);
            break;
        case 2:
            round.press(Qt::MiddleButton);
            break;
        case 3:
            round.doubleClick();
            break;
        case 4:
            round.missClick();
            break;
        case 5:
            round.settings.twice = chance.bounded(2);
            break;
        case 6:
            round.settings.left = chance.bounded(2);
            break;
        default:
            if (round.fakes.timer.fire() && round.game.isLoaded())
                ++targetsShown;
        }
        if (!round.game.isLoaded())
            continue;
        const int gained = round.game.state().Hits - before;
        if (gained > 0) {
            QVERIFY2(colourBefore == ReadyColour, qPrintable(QString::number(seed)));
            const int number = round.game.state().TargetNumber;
            QVERIFY2(!scoredTargets.contains(number), qPrintable(QString::number(seed)));
            scoredTargets.insert(number);
            ++scoredThisRound;
        }
        QVERIFY2(scoredThisRound <= targetsShown, qPrintable(QString::number(seed)));
        QVERIFY2(round.game.state().Hits <= targetsShown, qPrintable(QString::number(seed)));
        QVERIFY(round.game.state().TurnLost == 0 || round.game.state().TurnLost == 1);
        QVERIFY(round.game.state().TargetNumber >= 1 && round.game.state().TargetNumber <= 30);
        QVERIFY(round.fakes.timer.isEnabled());
    }
    QCOMPARE(round.fakes.messages.mostOpenAtOnce, 1);
}

QTEST_MAIN(tst_GameWindow)
#include "tst_gamewindow.moc"
