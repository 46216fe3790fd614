// SPDX-License-Identifier: GPL-3.0-or-later
// What only the real field shows: its pixels, its controls coming and going, and real mouse
// events reaching the round.
#include "fakes.h"
#include "gamewindow.h"
#include "player.h"
#include "targetbox.h"
#include "fakesettings.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace rules;

namespace {

// A game window over fakes, started as the Start button starts it.
struct Field
{
    FakePlatform fakes;
    FakeSettings settings;
    GameWindow game{fakes.platform(), settings};

    void start()
    {
        game.load();
        game.show();
        game.round().startPacing();
    }
    TargetBox *target() const { return player::target(game); }
    const GameState &state() const { return game.round().state(); }
    QImage shot() { return game.grab().toImage(); }
};

// How many pixels of a rectangle of the picture have exactly this colour.
int count(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

const QColor field(0, 128, 0);
const QColor ready(128, 255, 128);
const QColor red(255, 0, 0);

} // namespace

class tst_GameWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { quietRaiseWarnings(); }
    void targetIsAFlatSquareOnTheField_data();
    void targetIsAFlatSquareOnTheField();
    void titleAndVersionAreDrawnInTheirGreens();
    void realPressesAndDoubleClicksReachTheRound();
    void onlyTheEmptyFieldCountsAsAMiss();
    void missAnswerIsWrittenAtTheTopLeft();
    void closeButtonUnloadsAndALoadStartsAfresh();
};

void tst_GameWindow::targetIsAFlatSquareOnTheField_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("side");
    QTest::newRow("Начинающий") << 1 << 49;
    QTest::newRow("Бывалый") << 2 << 33;
    QTest::newRow("Опытный") << 3 << 17;
    QTest::newRow("Супермен") << 4 << 9;
}

void tst_GameWindow::targetIsAFlatSquareOnTheField()
{
    QFETCH(int, level);
    QFETCH(int, side);
    Field f;
    f.settings.chosenLevel = level;
    f.start();
    QCOMPARE(f.game.size(), QSize(768, 572));
    QVERIFY(f.game.windowFlags() & Qt::FramelessWindowHint);

    const QRect square(712, 512, side, side);
    QImage shot = f.shot();
    QCOMPARE(count(shot, square, ready), side * side);
    QCOMPARE(count(shot, square.adjusted(-1, -1, 1, 1), field), 4 * side + 4);
    QCOMPARE(shot.pixelColor(400, 300), field);

    player::press(f.game, Qt::LeftButton);
    QCOMPARE(count(f.shot(), square, red), side * side);
    // The next target is light green again, wherever it went.
    QVERIFY(f.fakes.timer.fire());
    shot = f.shot();
    QCOMPARE(count(shot, f.target()->geometry(), ready), side * side);
}

void tst_GameWindow::titleAndVersionAreDrawnInTheirGreens()
{
    Field f;
    f.start();
    const QImage shot = f.shot();
    const auto area = [&](const char *name) {
        return f.game.findChild<QLabel *>(QLatin1String(name))->geometry();
    };
    QVERIFY(count(shot, area("Label4"), QColor(0, 255, 0)) > 50);
    QVERIFY(count(shot, area("Label5"), QColor(0, 192, 0)) > 30);
    // Text on the field colour for the three reminders.
    const QRect reminder = area("Label1");
    const int plain = count(shot, reminder, field);
    QVERIFY(plain > 800 && plain < reminder.width() * reminder.height() - 20);
}

void tst_GameWindow::realPressesAndDoubleClicksReachTheRound()
{
    Field f;
    f.start();
    player::press(f.game, Qt::LeftButton);
    QCOMPARE(int(f.state().Hits), 1);
    QVERIFY(f.fakes.timer.fire());
    // A double click in single-click mode: the press scores, the double click takes it back.
    player::doubleClick(f.game);
    QCOMPARE(int(f.state().Hits), 1);
    QCOMPARE(f.fakes.messages.shown.size(), 1);

    f.settings.twice = true;
    QVERIFY(f.fakes.timer.fire());
    player::press(f.game, Qt::LeftButton);
    QCOMPARE(int(f.state().Hits), 1);
    player::doubleClick(f.game);
    QCOMPARE(int(f.state().Hits), 2);
    QCOMPARE(f.fakes.messages.shown.size(), 1);
}

void tst_GameWindow::onlyTheEmptyFieldCountsAsAMiss()
{
    Field f;
    f.start();
    for (const char *name : {"Label1", "Label2", "Label3", "Label4", "Label5"}) {
        auto *label = f.game.findChild<QLabel *>(QLatin1String(name));
        QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    }
    QCOMPARE(int(f.state().MissCount), 0);
    // A double click on the field is one miss, not two.
    QTest::mouseClick(&f.game, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseDClick(&f.game, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(&f.game, Qt::LeftButton, {}, QPoint(300, 300));
    QCOMPARE(int(f.state().MissCount), 1);
    // Pressing on the field and letting go over a label is no click either.
    QTest::mousePress(&f.game, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(&f.game, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(int(f.state().MissCount), 1);
    QVERIFY(f.fakes.messages.shown.isEmpty());
}

void tst_GameWindow::missAnswerIsWrittenAtTheTopLeft()
{
    Field f;
    f.start();
    const QRect corner(0, 0, 7, 14);
    QCOMPARE(count(f.shot(), corner, field), 7 * 14);
    player::missClick(f.game);
    player::missClick(f.game);
    QCOMPARE(f.fakes.messages.shown.size(), 2);
    QVERIFY(count(f.shot(), corner, field) < 7 * 14 - 5);
    // The second answer goes one line lower.
    const QRect below = corner.translated(0, 14);
    QCOMPARE(count(f.shot(), below, field), 7 * 14);
    player::missClick(f.game);
    QVERIFY(count(f.shot(), below, field) < 7 * 14 - 5);
}

void tst_GameWindow::closeButtonUnloadsAndALoadStartsAfresh()
{
    Field f;
    f.start();
    player::press(f.game, Qt::LeftButton);
    player::missClick(f.game);
    player::missClick(f.game);
    QVERIFY(f.fakes.timer.fire());
    player::closeRound(f.game);
    QVERIFY(!f.game.isLoaded());
    QVERIFY(!f.game.isVisible());
    QVERIFY(!f.fakes.timer.isEnabled());
    QVERIFY(f.fakes.messages.shown.size() == 2);
    QCOMPARE(f.target(), nullptr);

    f.settings.chosenLevel = 4;
    f.start();
    QCOMPARE(f.game.findChildren<TargetBox *>().size(), 1);
    QCOMPARE(f.target()->geometry(), QRect(712, 512, 9, 9));
    QCOMPARE(f.target()->backColor(), ReadyColour);
    QCOMPARE(int(f.state().Hits), 0);
    QVERIFY(f.game.printedLines().isEmpty());
    QCOMPARE(f.fakes.timer.interval(), firstInterval);
}

QTEST_MAIN(tst_GameWindow)
#include "tst_gamewindow.moc"
