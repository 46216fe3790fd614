// SPDX-License-Identifier: GPL-3.0-or-later
// What only the real field shows: its pixels, its controls coming and going, and real mouse
// events reaching the round.
#include "fakes.h"
#include "fakesettings.h"
#include "player.h"

#include <QLabel>

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

} // namespace

class tst_GameWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { quietRaiseWarnings(); }
    void targetIsAFlatSquareOnTheField_data();
    void targetIsAFlatSquareOnTheField();
    void doubleClickNeedsBothClicksOnTheTarget_data();
    void doubleClickNeedsBothClicksOnTheTarget();
    void onlyTheEmptyFieldCountsAsAMiss();
    void missAnswersStayUntilCloseAndALoadStartsAfresh();
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
    const QRect square(712, 512, side, side);
    const QImage shot = f.shot();
    QCOMPARE(count(shot, square, ready), side * side);
    QCOMPARE(count(shot, square.adjusted(-1, -1, 1, 1), field), 4 * side + 4);
    // The title and the version in their greens.
    QVERIFY(count(shot, f.game.findChild<QLabel *>("Label4")->geometry(), QColor(0, 255, 0)) > 50);
    QVERIFY(count(shot, f.game.findChild<QLabel *>("Label5")->geometry(), QColor(0, 192, 0)) > 30);
}

void tst_GameWindow::doubleClickNeedsBothClicksOnTheTarget_data()
{
    QTest::addColumn<QStringList>("clicksBefore");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("hits");
    QTest::addColumn<int>("notices");
    // Single-click mode: a double click on the target costs the hit and brings a notice.
    QTest::newRow("both on the target") << QStringList{"target"} << Qt::LeftButton << 0 << 1;
    // Otherwise the second click is an ordinary press, which scores.
    QTest::newRow("first on the field") << QStringList{"field"} << Qt::LeftButton << 1 << 0;
    QTest::newRow("first on the field, right") << QStringList{"field"} << Qt::RightButton << 1 << 0;
    QTest::newRow("first in another window") << QStringList{"other"} << Qt::LeftButton << 1 << 0;
    QTest::newRow("target, then the field")
        << QStringList{"target", "field"} << Qt::LeftButton << 1 << 0;
}

void tst_GameWindow::doubleClickNeedsBothClicksOnTheTarget()
{
    QFETCH(QStringList, clicksBefore);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, hits);
    QFETCH(int, notices);
    Field f;
    // The right button is trained with the right button.
    f.settings.left = button == Qt::LeftButton;
    f.start();
    QWidget otherWindow;
    otherWindow.show();
    for (const QString &where : clicksBefore) {
        QWidget *receiver = where == "target"  ? f.target()
                            : where == "field" ? &f.game
                                               : &otherWindow;
        QTest::mouseClick(receiver, button, {}, QPoint(2, 24));
    }
    // Qt sends the second press of a double click as the double-click event alone.
    QTest::mouseDClick(f.target(), button, {}, QPoint(1, 24));
    QCOMPARE(int(f.state().Hits), hits);
    QCOMPARE(f.fakes.messages.shown.size(), notices);
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
    // A click on the field straight after a hit on the target is a click of its own, though the
    // two arrive as a double click.
    player::press(f.game, Qt::LeftButton);
    QCOMPARE(int(f.state().MissCount), 0);
    QTest::mouseDClick(&f.game, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(&f.game, Qt::LeftButton, {}, QPoint(300, 300));
    QCOMPARE(int(f.state().MissCount), 1);
}

void tst_GameWindow::missAnswersStayUntilCloseAndALoadStartsAfresh()
{
    Field f;
    f.start();
    const QRect corner(0, 0, 7, 14);
    const QRect below = corner.translated(0, 14);
    QCOMPARE(count(f.shot(), corner, field), 7 * 14);
    player::press(f.game, Qt::LeftButton);
    player::missClick(f.game);
    player::missClick(f.game);
    QVERIFY(count(f.shot(), corner, field) < 7 * 14 - 5);
    // The next answer goes one line lower.
    QCOMPARE(count(f.shot(), below, field), 7 * 14);
    player::missClick(f.game);
    QVERIFY(count(f.shot(), below, field) < 7 * 14 - 5);

    player::closeRound(f.game);
    QVERIFY(!f.game.isVisible());
    QVERIFY(!f.fakes.timer.isEnabled());
    QCOMPARE(f.target(), nullptr);
    f.settings.chosenLevel = 4;
    f.start();
    QCOMPARE(f.game.findChildren<TargetBox *>().size(), 1);
    QCOMPARE(count(f.shot(), QRect(712, 512, 9, 9), ready), 81);
    QCOMPARE(count(f.shot(), corner.united(below), field), 7 * 28);
}

QTEST_MAIN(tst_GameWindow)
#include "tst_gamewindow.moc"
