// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "fakesettings.h"
#include "player.h"

#include <QLabel>

namespace {

const QColor field(0, 128, 0);
const QColor ready(128, 255, 128);

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
    int misses() const { return game.round().state().MissCount; }
    // How many pixels of a rectangle of the field have exactly this colour.
    int count(const QRect &area, const QColor &colour)
    {
        const QImage shot = game.grab().toImage();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += shot.pixelColor(x, y) == colour ? 1 : 0;
        return n;
    }
    // Qt sends the second press of a double click as the double-click event alone.
    void doubleClickRest(QWidget *on, Qt::MouseButton button, QPoint at)
    {
        QTest::mouseDClick(on, button, {}, at);
        QTest::mouseRelease(on, button, {}, at);
    }
};

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
    QCOMPARE(f.count(square, ready), side * side);
    QCOMPARE(f.count(square.adjusted(-1, -1, 1, 1), field), 4 * side + 4);
}

void tst_GameWindow::doubleClickNeedsBothClicksOnTheTarget_data()
{
    QTest::addColumn<QStringList>("clicksBefore");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("hits");
    // Single-click mode: a double click on the target costs the hit and brings a notice.
    QTest::newRow("both on the target") << QStringList{"target"} << Qt::LeftButton << 0;
    // Otherwise the second click is an ordinary press, which scores.
    QTest::newRow("first on the field") << QStringList{"field"} << Qt::LeftButton << 1;
    QTest::newRow("first on the field, right") << QStringList{"field"} << Qt::RightButton << 1;
    QTest::newRow("first in another window") << QStringList{"other"} << Qt::LeftButton << 1;
    QTest::newRow("target, then the field")
        << QStringList{"target", "field"} << Qt::LeftButton << 1;
}

void tst_GameWindow::doubleClickNeedsBothClicksOnTheTarget()
{
    QFETCH(QStringList, clicksBefore);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, hits);
    Field f;
    // The right button is trained with the right button.
    f.settings.left = button == Qt::LeftButton;
    f.start();
    QWidget otherWindow;
    otherWindow.show();
    for (const QString &where : clicksBefore) {
        QWidget *receiver = where == "target"  ? player::target(f.game)
                            : where == "field" ? &f.game
                                               : &otherWindow;
        QTest::mouseClick(receiver, button, {}, QPoint(2, 24));
    }
    f.doubleClickRest(player::target(f.game), button, QPoint(1, 24));
    QCOMPARE(int(f.game.round().state().Hits), hits);
    QCOMPARE(f.fakes.messages.shown.size(), 1 - hits);
}

void tst_GameWindow::onlyTheEmptyFieldCountsAsAMiss()
{
    Field f;
    f.start();
    for (QLabel *label : f.game.findChildren<QLabel *>())
        QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    QCOMPARE(f.misses(), 0);
    // A double click on the field is one miss, not two.
    const QPoint spot(300, 300);
    QTest::mouseClick(&f.game, Qt::LeftButton, {}, spot);
    f.doubleClickRest(&f.game, Qt::LeftButton, spot);
    QCOMPARE(f.misses(), 1);
    // Pressing on the field and letting go over a label is no click either.
    QTest::mousePress(&f.game, Qt::LeftButton, {}, spot);
    QTest::mouseRelease(&f.game, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(f.misses(), 1);
    // A field click straight after a hit is a click of its own, though the two come as a double
    // click.
    player::press(f.game, Qt::LeftButton);
    QCOMPARE(f.misses(), 0);
    f.doubleClickRest(&f.game, Qt::LeftButton, spot);
    QCOMPARE(f.misses(), 1);
}

void tst_GameWindow::missAnswersStayUntilCloseAndALoadStartsAfresh()
{
    Field f;
    f.start();
    // The answers are drawn at the top left, each one line under the one before.
    const QRect corner(0, 0, 7, 14);
    const QRect below = corner.translated(0, 14);
    QCOMPARE(f.count(corner, field), 7 * 14);
    player::press(f.game, Qt::LeftButton);
    player::missClick(f.game);
    player::missClick(f.game);
    QVERIFY(f.count(corner, field) < 7 * 14 - 5);
    QCOMPARE(f.count(below, field), 7 * 14);
    player::missClick(f.game);
    QVERIFY(f.count(below, field) < 7 * 14 - 5);

    player::closeRound(f.game);
    QVERIFY(!f.game.isVisible() && !f.fakes.timer.isEnabled());
    QCOMPARE(player::target(f.game), nullptr);
    f.settings.chosenLevel = 4;
    f.start();
    QCOMPARE(f.game.findChildren<TargetBox *>().size(), 1);
    QCOMPARE(f.count(QRect(712, 512, 9, 9), ready), 81);
    QCOMPARE(f.count(corner.united(below), field), 7 * 28);
}

QTEST_MAIN(tst_GameWindow)
#include "tst_gamewindow.moc"
