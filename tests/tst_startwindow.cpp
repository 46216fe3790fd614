// SPDX-License-Identifier: GPL-3.0-or-later
#include "player.h"
#include "program.h"

#include <QLabel>

class tst_StartWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { quietRaiseWarnings(); }
    void initialChoices_data();
    void initialChoices();
    void doubleClickTrainsLeftButtonOnly();
    void keyboardAloneChoosesAndStarts();
    void startDuringRoundOnlyRestartsCountDown();
    void exitAndTheLastWindow();
};

void tst_StartWindow::initialChoices_data()
{
    QTest::addColumn<bool>("changedAndClosed");
    QTest::newRow("as opened") << false;
    QTest::newRow("changed, then closed") << true;
}

void tst_StartWindow::initialChoices()
{
    QFETCH(bool, changedAndClosed);
    ProgramUnderTest s;
    s.start.show();
    const QStringList clicks = changedAndClosed
                                   ? QStringList{"Option4", "Option6", "Command1", "Check1"}
                                   : QStringList{"Command1"};
    for (const QString &name : clicks)
        s.click(name);
    QVERIFY(s.start.close() && s.game().isVisible());
    QCOMPARE(s.start.level(), 1);
    QVERIFY(s.start.leftChosen() && !s.start.rightChosen());
    QCOMPARE(s.start.doubleClick(), 0);
    // The round is judged by them: a single left press scores.
    s.fakes.timer.fire();
    player::press(s.game(), Qt::LeftButton);
    QCOMPARE(s.game().round().state().Hits, std::int16_t(1));
}

void tst_StartWindow::doubleClickTrainsLeftButtonOnly()
{
    ProgramUnderTest s;
    s.click("Option6");
    s.click("Check1");
    QCOMPARE(s.start.doubleClick(), 1);
    QVERIFY(s.start.leftChosen() && !s.control("Option6")->isEnabled());
    // Unticked, the right button may be chosen again, but the choice stays where it went.
    s.click("Check1");
    QVERIFY(s.start.leftChosen());
    s.click("Option6");
    QVERIFY(s.start.rightChosen());
}

void tst_StartWindow::keyboardAloneChoosesAndStarts()
{
    ProgramUnderTest s;
    s.start.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.start));
    const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    // Tab visits each group once, in the designed order; the arrow keys and Space choose in it.
    for (const Qt::Key k : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Tab})
        key(k);
    QCOMPARE(s.start.level(), 2);
    QCOMPARE(QApplication::focusWidget(), s.control("Option6"));
    key(Qt::Key_Space);
    QVERIFY(s.start.rightChosen());
    // Enter presses the focused button, as Space does.
    s.control("Command1")->setFocus();
    key(Qt::Key_Return);
    QTRY_VERIFY(s.start.gameWindow() && s.game().isVisible());
}

void tst_StartWindow::startDuringRoundOnlyRestartsCountDown()
{
    ProgramUnderTest s;
    s.click("Command1");
    for (int i = 0; i < 4; ++i)
        s.fakes.timer.fire();
    player::press(s.game(), Qt::LeftButton);
    const GameState before = s.game().round().state();
    s.click("Option3");
    s.click("Option6");
    const int restarts = s.fakes.timer.restarts;

    s.click("Command1");
    const GameState &after = s.game().round().state();
    QCOMPARE(after.TargetNumber, before.TargetNumber);
    QCOMPARE(after.Hits, before.Hits);
    // The level is read at the set-up, which does not run again.
    QCOMPARE(s.game().findChild<QLabel *>("Label1")->text(), QStringLiteral("Начинающий"));
    QCOMPARE(player::target(s.game())->size(), QSize(49, 49));
    QCOMPARE(s.fakes.timer.interval(), 3000);
    QVERIFY(s.fakes.timer.isEnabled());
    QCOMPARE(s.fakes.timer.restarts, restarts + 1);

    // The button, though, is read at every press.
    s.fakes.timer.fire();
    player::press(s.game(), Qt::LeftButton);
    QCOMPARE(after.Hits, before.Hits - 1);
    s.fakes.timer.fire();
    player::press(s.game(), Qt::RightButton);
    QCOMPARE(after.Hits, before.Hits);
}

void tst_StartWindow::exitAndTheLastWindow()
{
    ProgramUnderTest s;
    s.start.show();
    s.click("Command1");
    s.click("Command2");
    QCOMPARE(s.fakes.quit.count, 1);

    s.start.close();
    for (int tick = 0; tick < 30 && s.game().isLoaded(); ++tick)
        s.fakes.timer.fire();
    QVERIFY(!s.game().isLoaded());
    // Nothing is left open, and nothing hidden is left to keep the program alive.
    QVERIFY(QApplication::topLevelWidgets().size() >= 2);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

QTEST_MAIN(tst_StartWindow)
#include "tst_startwindow.moc"
