// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"
#include "fakes.h"
#include "player.h"
#include "program.h"
#include "gamewindow.h"
#include "startwindow.h"
#include "targetbox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {
struct Settings : ProgramUnderTest
{
    QString gameLabel(const char *name) const
    {
        return game().findChild<QLabel *>(QLatin1String(name))->text();
    }
};
} // namespace

class tst_StartWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { quietRaiseWarnings(); }
    void opensWithItsDefaults();
    void tabOrderFollowsDesign();
    void doubleClickTrainsLeftButtonOnly_data();
    void doubleClickTrainsLeftButtonOnly();
    void keyboardAloneChoosesAndStarts();
    void startDuringRoundOnlyRestartsCountDown();
    void choicesAreReadLive();
    void exitEndsProgram();
    void closedSettingsLeaveInitialChoices();
    void lastWindowClosingEndsProgram();
    void aboutOpensOneWindow();
};

void tst_StartWindow::opensWithItsDefaults()
{
    Settings s;
    QCOMPARE(s.start.windowTitle(), QStringLiteral("Квадрилка"));
    QCOMPARE(s.start.size(), QSize(348, 250));
    QVERIFY(s.control<QRadioButton>("Option1")->isChecked());
    QVERIFY(s.control<QRadioButton>("Option5")->isChecked());
    QVERIFY(!s.control<QCheckBox>("Check1")->isChecked());
    QCOMPARE(s.start.focusWidget(), s.control("Command1"));
    QVERIFY(!(s.start.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(s.start.windowFlags() & Qt::WindowMinimizeButtonHint));
    QCOMPARE(s.start.level(), 1);
    QVERIFY(s.start.leftChosen());
    QVERIFY(!s.start.rightChosen());
    QCOMPARE(s.start.doubleClick(), 0);
    // Windows are made on first use only.
    QCOMPARE(s.start.gameWindow(), nullptr);
    QCOMPARE(s.start.aboutWindow(), nullptr);
}

void tst_StartWindow::tabOrderFollowsDesign()
{
    Settings s;
    const QStringList expected{"Command1", "Command2", "Command3", "Option1", "Option2",
                               "Option3",  "Option6",  "Option5",  "Option4", "Check1"};
    QStringList order;
    QWidget *w = s.control("Command1");
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            order.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != s.control("Command1") && order.size() < 20);
    QCOMPARE(order, expected);
}

void tst_StartWindow::doubleClickTrainsLeftButtonOnly_data()
{
    QTest::addColumn<bool>("rightFirst");
    QTest::newRow("left chosen") << false;
    QTest::newRow("right chosen") << true;
}

void tst_StartWindow::doubleClickTrainsLeftButtonOnly()
{
    QFETCH(bool, rightFirst);
    Settings s;
    auto *left = s.control<QRadioButton>("Option5");
    auto *right = s.control<QRadioButton>("Option6");
    if (rightFirst)
        s.click("Option6");
    QCOMPARE(right->isChecked(), rightFirst);

    s.click("Check1");
    QCOMPARE(s.start.doubleClick(), 1);
    QVERIFY(left->isChecked());
    QVERIFY(!right->isChecked());
    QVERIFY(!right->isEnabled());
    s.click("Option6");
    QVERIFY(!right->isChecked());

    s.click("Check1");
    QCOMPARE(s.start.doubleClick(), 0);
    QVERIFY(right->isEnabled());
    QVERIFY(left->isChecked());
    s.click("Option6");
    QVERIFY(right->isChecked());
    QVERIFY(!left->isChecked());
}

void tst_StartWindow::keyboardAloneChoosesAndStarts()
{
    Settings s;
    s.start.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.start));
    const auto focused = [&] { return QApplication::focusWidget()->objectName(); };
    // Tab visits each group once; the arrow keys and Space choose within it.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focused(), QStringLiteral("Option1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(s.start.level(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focused(), QStringLiteral("Option6"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(s.start.rightChosen());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focused(), QStringLiteral("Check1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(s.start.doubleClick(), 1);
    QVERIFY(s.start.leftChosen());
    QVERIFY(!s.control("Option6")->isEnabled());
    // Enter presses the focused button, as Space does.
    s.control("Command1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(s.start.gameWindow() && s.game().isVisible());
    QCOMPARE(s.fakes.timer.interval(), 3000);
    QVERIFY(s.fakes.timer.isEnabled());
}

void tst_StartWindow::startDuringRoundOnlyRestartsCountDown()
{
    Settings s;
    s.click("Command1");
    for (int i = 0; i < 4; ++i)
        s.fakes.timer.fire();
    QTest::mousePress(s.game().findChild<TargetBox *>("Picture1"), Qt::LeftButton);
    const GameState before = s.game().round().state();
    QCOMPARE(before.TargetNumber, std::int16_t(5));
    s.click("Option3");
    const int restarts = s.fakes.timer.restarts;

    s.click("Command1");
    QCOMPARE(s.game().round().state().TargetNumber, before.TargetNumber);
    QCOMPARE(s.game().round().state().Hits, before.Hits);
    QCOMPARE(s.game().round().state().TargetTop, before.TargetTop);
    QCOMPARE(s.gameLabel("Label1"), QStringLiteral("Начинающий"));
    QCOMPARE(s.game().findChild<TargetBox *>("Picture1")->size(), QSize(49, 49));
    QCOMPARE(s.fakes.timer.interval(), 3000);
    QVERIFY(s.fakes.timer.isEnabled());
    QCOMPARE(s.fakes.timer.restarts, restarts + 1);
}

void tst_StartWindow::choicesAreReadLive()
{
    Settings s;
    s.click("Command1");
    auto *target = s.game().findChild<TargetBox *>("Picture1");
    s.click("Option6");
    QTest::mousePress(target, Qt::LeftButton);
    QCOMPARE(s.fakes.messages.shown.size(), 1);
    QCOMPARE(s.game().round().state().Hits, std::int16_t(-1));
    s.fakes.timer.fire();
    QTest::mousePress(target, Qt::RightButton);
    QCOMPARE(s.game().round().state().Hits, std::int16_t(0));
    QCOMPARE(s.gameLabel("Label2"), QStringLiteral("левый"));
}

void tst_StartWindow::exitEndsProgram()
{
    Settings s;
    s.click("Command1");
    s.click("Command2");
    QCOMPARE(s.fakes.quit.count, 1);
}

void tst_StartWindow::closedSettingsLeaveInitialChoices()
{
    Settings s;
    s.start.show();
    s.click("Option4");
    s.click("Option6");
    s.click("Command1");
    s.click("Check1");
    QVERIFY(s.start.close());
    QVERIFY(!s.start.isVisible());
    QVERIFY(s.game().isVisible());
    QCOMPARE(s.start.level(), 1);
    QVERIFY(s.start.leftChosen());
    QVERIFY(!s.start.rightChosen());
    QCOMPARE(s.start.doubleClick(), 0);
    // The round goes on and is judged by the initial choices: a left press scores.
    s.fakes.timer.fire();
    QTest::mousePress(s.game().findChild<TargetBox *>("Picture1"), Qt::LeftButton);
    QCOMPARE(s.game().round().state().Hits, std::int16_t(1));
    QVERIFY(s.fakes.messages.shown.isEmpty());
}

void tst_StartWindow::lastWindowClosingEndsProgram()
{
    Settings s;
    s.start.show();
    s.click("Command1");
    s.start.close();
    QVERIFY(s.game().isVisible());
    for (int tick = 0; tick < 30 && s.game().isLoaded(); ++tick)
        s.fakes.timer.fire();
    QVERIFY(!s.game().isLoaded());
    // Nothing is left open, and nothing hidden is left to keep the program alive.
    QVERIFY(QApplication::topLevelWidgets().size() >= 2);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

void tst_StartWindow::aboutOpensOneWindow()
{
    Settings s;
    s.click("Command3");
    AboutWindow *about = s.start.aboutWindow();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    s.click("Command3");
    QCOMPARE(s.start.aboutWindow(), about);
    int shown = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        shown += w->isVisible() && w->windowTitle() == QStringLiteral("О программе");
    QCOMPARE(shown, 1);
}

QTEST_MAIN(tst_StartWindow)
#include "tst_startwindow.moc"
