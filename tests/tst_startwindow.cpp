// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "player.h"
#include "aboutwindow.h"
#include "startwindow.h"
#include <QLabel>

#include <tuple>

// Keeps the rounds the settings window hands on, as the diary does.
struct Diary : RoundReport
{
    void roundEnded(const RoundRecord &record) override { rounds.append(record); }
    QList<RoundRecord> rounds;
};

struct Program
{
    FakePlatform fakes;
    Diary diary;
    StartWindow start{fakes.platform(), DiaryAccess{&diary, {}}};
    Program() { start.show(); }
    QWidget *control(const QString &name) const { return start.findChild<QWidget *>(name); }
    template <typename... Names> void click(const Names &...names)
    {
        (QTest::mouseClick(control(names), Qt::LeftButton), ...);
    }
    GameWindow &game() const { return *start.gameWindow(); }
};

class tst_StartWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { quietRaiseWarnings(); }
    void choicesDoubleClickRuleExitAndClosing()
    {
        Program s;
        const auto initial = [&s] {
            return s.start.level() == 1 && s.start.leftChosen() && !s.start.rightChosen() &&
                   s.start.doubleClick() == 0;
        };
        QVERIFY(initial());
        // Ticking the double click chooses the left button and shuts the right one off; unticked,
        // the right button may be chosen again, but the choice stays where it went.
        s.click("Option6", "Check1");
        QVERIFY(s.start.doubleClick() == 1 && s.start.leftChosen());
        QVERIFY(!s.control("Option6")->isEnabled());
        s.click("Check1");
        QVERIFY(s.start.leftChosen());
        s.click("Option6");
        QVERIFY(s.start.rightChosen());
        s.click("Option4", "Command1", "Check1", "Command2");
        QVERIFY(s.fakes.quit.count == 1 && !initial());
        // Closed, the window leaves the round its initial choices, under which a left press scores.
        QVERIFY(s.start.close() && s.game().isVisible() && initial());
        s.fakes.pacingTimer.fire();
        player::press(s.game(), Qt::LeftButton);
        QCOMPARE(s.game().round().state().Hits, 1);
        for (int tick = 0; tick < 30 && s.game().isLoaded(); ++tick)
            s.fakes.pacingTimer.fire();
        // Nothing is left open, and nothing hidden is left to keep the program alive.
        QVERIFY(!s.game().isLoaded() && QApplication::topLevelWidgets().size() >= 2);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }
    void keyboardStartsAndStartMidRoundOnlyRestartsTheCountDown()
    {
        Program s;
        QVERIFY(QTest::qWaitForWindowActive(&s.start));
        // Tab visits each group once, in the designed order; the arrow keys and Space choose in it.
        for (const Qt::Key k :
             {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Tab, Qt::Key_Space})
            QTest::keyClick(QApplication::focusWidget(), k);
        QCOMPARE(QApplication::focusWidget(), s.control("Option6"));
        QVERIFY(s.start.level() == 2 && s.start.rightChosen());
        // Enter presses the focused button, as Space does.
        s.control("Command1")->setFocus();
        QTest::keyClick(s.control("Command1"), Qt::Key_Return);
        QTRY_VERIFY(s.start.gameWindow() && s.game().isVisible());
        s.fakes.pacingTimer.fire();
        player::press(s.game(), Qt::RightButton);
        const GameState before = s.game().round().state();
        const int restarts = s.fakes.pacingTimer.restarts;
        s.click("Option3", "Option5", "Command1");
        const GameState &after = s.game().round().state();
        // The level is read at the set-up, which does not run again.
        QVERIFY(after.TargetNumber == before.TargetNumber && after.Hits == before.Hits);
        QStringList labels;
        for (const char *label : {"Label1", "Label2", "Label3"})
            labels.append(s.game().findChild<QLabel *>(label)->text());
        QCOMPARE(labels, QStringList({"Бывалый", "правый", "одинарный"}));
        QCOMPARE(player::target(s.game())->size(), QSize(33, 33));
        QVERIFY(s.fakes.pacingTimer.interval() == 3000 && s.fakes.pacingTimer.isEnabled());
        QCOMPARE(s.fakes.pacingTimer.restarts, restarts + 1);
        // The button, though, is read at every press.
        s.fakes.pacingTimer.fire();
        player::press(s.game(), Qt::RightButton);
        QCOMPARE(after.Hits, before.Hits - 1);
    }
    // One round played with one hit, on level 3, and ended one way; the diary hears of it once.
    void eachEndingReachesTheDiary_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<RoundEnding>("ending");
        QTest::newRow("thirty targets") << "result" << RoundEnding::Result;
        QTest::newRow("closed under the result box") << "close under box" << RoundEnding::Result;
        QTest::newRow("X") << "X" << RoundEnding::CloseButton;
        QTest::newRow("Exit") << "Exit" << RoundEnding::ProgramQuit;
        QTest::newRow("closed from outside") << "close" << RoundEnding::ClosedFromOutside;
    }
    void eachEndingReachesTheDiary()
    {
        QFETCH(QString, how);
        QFETCH(RoundEnding, ending);
        Program s;
        s.click("Option3", "Command1");
        player::press(s.game(), Qt::LeftButton);
        s.fakes.messages.whileUp = [&](const auto &) {
            if (how == "close under box")
                s.game().close();
        };
        if (how.startsWith("result") || how == "close under box") {
            for (int tick = 0; tick < 30 && s.game().isLoaded(); ++tick)
                s.fakes.pacingTimer.fire();
        } else if (how == "X") {
            player::closeRound(s.game());
        } else if (how == "Exit") {
            s.click("Command2");
            // As the real quit does.
            QApplication::closeAllWindows();
        } else {
            s.game().close();
        }
        QVERIFY(!s.game().isLoaded() && !s.fakes.pacingTimer.isEnabled());
        QCOMPARE(s.diary.rounds.size(), 1);
        const RoundRecord &played = s.diary.rounds[0];
        const bool result = ending == RoundEnding::Result;
        QCOMPARE(std::tuple(played.ending, played.level, played.score, played.grade),
                 std::tuple(ending, 3, 1, result ? QStringLiteral("Д В О Й К У") : QString()));
    }
    void aboutNoticeStopsTheRoundAndItsClock()
    {
        Program s;
        s.click("Command1", "Command3");
        s.fakes.browserSucceeds = false;
        s.fakes.clock.advance(300);
        const int restarts = s.fakes.pacingTimer.restarts;
        s.fakes.messages.whileUp = [&](const auto &) {
            QVERIFY(!s.fakes.pacingTimer.isEnabled() && s.game().round().noticeShowing());
            s.fakes.clock.advance(60000);
        };
        QTest::mouseClick(s.start.aboutWindow()->findChild<QWidget *>("Label19"), Qt::LeftButton);
        QCOMPARE(s.fakes.messages.shown.size(), 1);
        // Afterwards the target gets a whole fresh interval, and the reading time is not timed.
        QVERIFY(s.fakes.pacingTimer.isEnabled() && s.fakes.pacingTimer.restarts == restarts + 1);
        s.fakes.clock.advance(200);
        player::press(s.game(), Qt::LeftButton);
        player::closeRound(s.game());
        QCOMPARE(s.diary.rounds.value(0).targets.value(0).hitAfterMs, 500);
    }
};

QTEST_MAIN(tst_StartWindow)
#include "tst_startwindow.moc"
