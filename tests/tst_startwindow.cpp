// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"
#include "fakes.h"
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
    void opensWithItsDefaults();
    void controlsStandWhereDesigned_data();
    void controlsStandWhereDesigned();
    void tabOrderFollowsDesign();
    void doubleClickTrainsLeftButtonOnly_data();
    void doubleClickTrainsLeftButtonOnly();
    void startLoadsRoundForEveryLevel_data();
    void startLoadsRoundForEveryLevel();
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

void tst_StartWindow::controlsStandWhereDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Frame1") << "Frame1"
                            << "Уровень сложности" << QRect(16, 40, 145, 129);
    QTest::newRow("Option1") << "Option1"
                             << "Начинающий" << QRect(16, 24, 105, 17);
    QTest::newRow("Option2") << "Option2"
                             << "Бывалый" << QRect(16, 48, 105, 17);
    QTest::newRow("Option3") << "Option3"
                             << "Опытный" << QRect(16, 72, 105, 17);
    QTest::newRow("Option4") << "Option4"
                             << "Супермен" << QRect(16, 96, 97, 17);
    QTest::newRow("Frame2") << "Frame2"
                            << "Вид тренировки" << QRect(184, 40, 145, 81);
    QTest::newRow("Option5") << "Option5"
                             << "Левая кнопка" << QRect(16, 24, 97, 17);
    QTest::newRow("Option6") << "Option6"
                             << "Правая кнопка" << QRect(16, 48, 97, 17);
    QTest::newRow("Frame3") << "Frame3"
                            << "" << QRect(184, 128, 145, 41);
    QTest::newRow("Check1") << "Check1"
                            << "Двойной щелчёк" << QRect(16, 16, 113, 17);
    QTest::newRow("Command1") << "Command1"
                              << "Старт" << QRect(16, 192, 89, 41);
    QTest::newRow("Command2") << "Command2"
                              << "Выход" << QRect(128, 192, 89, 41);
    QTest::newRow("Command3") << "Command3"
                              << "О программе" << QRect(240, 192, 89, 41);
}

void tst_StartWindow::controlsStandWhereDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, rect);
    Settings s;
    QWidget *control = s.control(qPrintable(name));
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
    if (auto *frame = qobject_cast<QGroupBox *>(control))
        QCOMPARE(frame->title(), text);
    else
        QCOMPARE(qobject_cast<QAbstractButton *>(control)->text(), text);
    QVERIFY(control->toolTip().isEmpty());
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

void tst_StartWindow::startLoadsRoundForEveryLevel_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::newRow("Option1") << "Option1"
                             << "Начинающий" << 49;
    QTest::newRow("Option2") << "Option2"
                             << "Бывалый" << 33;
    QTest::newRow("Option3") << "Option3"
                             << "Опытный" << 17;
    QTest::newRow("Option4") << "Option4"
                             << "Супермен" << 9;
}

void tst_StartWindow::startLoadsRoundForEveryLevel()
{
    QFETCH(QString, option);
    QFETCH(QString, name);
    QFETCH(int, size);
    Settings s;
    s.start.show();
    s.click(qPrintable(option));
    s.click("Option6");
    s.click("Command1");
    QVERIFY(s.game().isLoaded());
    QVERIFY(s.game().isVisible());
    QCOMPARE(s.gameLabel("Label1"), name);
    QCOMPARE(s.gameLabel("Label2"), QStringLiteral("правый"));
    QCOMPARE(s.gameLabel("Label3"), QStringLiteral("одинарный"));
    auto *target = s.game().findChild<TargetBox *>("Picture1");
    QCOMPARE(target->geometry(), QRect(712, 512, size, size));
    QVERIFY(s.fakes.timer.isEnabled());
    QCOMPARE(s.fakes.timer.interval(), 3000);
    // The settings window stays open beneath.
    QVERIFY(s.start.isVisible());
}

void tst_StartWindow::startDuringRoundOnlyRestartsCountDown()
{
    Settings s;
    s.click("Command1");
    for (int i = 0; i < 4; ++i)
        s.fakes.timer.fire();
    QTest::mousePress(s.game().findChild<TargetBox *>("Picture1"), Qt::LeftButton);
    const GameState before = s.game().state();
    QCOMPARE(before.TargetNumber, std::int16_t(5));
    s.click("Option3");
    const int restarts = s.fakes.timer.restarts;

    s.click("Command1");
    QCOMPARE(s.game().state().TargetNumber, before.TargetNumber);
    QCOMPARE(s.game().state().Hits, before.Hits);
    QCOMPARE(s.game().state().TargetTop, before.TargetTop);
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
    QCOMPARE(s.game().state().Hits, std::int16_t(-1));
    s.fakes.timer.fire();
    QTest::mousePress(target, Qt::RightButton);
    QCOMPARE(s.game().state().Hits, std::int16_t(0));
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
    QCOMPARE(s.game().state().Hits, std::int16_t(1));
    QVERIFY(s.fakes.messages.shown.isEmpty());
}

void tst_StartWindow::lastWindowClosingEndsProgram()
{
    Settings s;
    s.start.show();
    s.click("Command1");
    s.start.close();
    QVERIFY(s.game().isVisible());
    while (s.game().isLoaded())
        s.fakes.timer.fire();
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
