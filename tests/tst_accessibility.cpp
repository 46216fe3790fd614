// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"
#include "fakes.h"
#include "program.h"
#include "gamewindow.h"
#include "startwindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(QAccessible::Role)

namespace {
struct Settings : ProgramUnderTest
{
    // Keyboard focus only moves inside the active window.
    bool showActive()
    {
        start.show();
        start.activateWindow();
        return QTest::qWaitForWindowActive(&start);
    }

    QString focused() const
    {
        const QWidget *widget = QApplication::focusWidget();
        return widget ? widget->objectName() : QStringLiteral("(none)");
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    void tabTo(const char *name)
    {
        for (int i = 0; i < 12 && focused() != QLatin1String(name); ++i)
            press(Qt::Key_Tab);
    }

    GameWindow *startedGame()
    {
        QTest::mouseClick(control("Command1"), Qt::LeftButton);
        return start.gameWindow();
    }
};

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// A name a Russian screen reader speaks as words: Cyrillic letters, no Latin ones.
bool isRussian(const QString &name)
{
    bool cyrillic = false;
    for (const QChar c : name) {
        if (c.isLetter() && c.script() != QChar::Script_Cyrillic)
            return false;
        cyrillic = cyrillic || c.script() == QChar::Script_Cyrillic;
    }
    return cyrillic;
}

// Walks the shown controls under a window as a screen reader does; returns how many there are
// and lists those without a Russian name as "object: "name"", for a readable failure.
int collectUnnamed(QAccessibleInterface *node, QStringList &unnamed)
{
    int shown = 0;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        // Qt's own parts of a control, like the viewport of a text box, are not controls.
        const QObject *object = child->object();
        if (child->state().invisible ||
            (object && object->objectName().startsWith(QLatin1String("qt_"))))
            continue;
        ++shown;
        const QString name = child->text(QAccessible::Name);
        if (!isRussian(name)) {
            unnamed.append((object ? object->objectName() : QStringLiteral("?")) + ": \"" + name +
                           '"');
        }
        shown += collectUnnamed(child, unnamed);
    }
    return shown;
}
} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT
private slots:
    void settingsControlsAreNamed_data();
    void settingsControlsAreNamed();
    void gameControlsAreNamed_data();
    void gameControlsAreNamed();
    void everyShownControlHasRussianName_data();
    void everyShownControlHasRussianName();
    void startHasFocusWhenWindowOpens();
    void tabVisitsEachGroupOnce();
    void shiftTabWalksBack();
    void keyboardChoosesEveryOption_data();
    void keyboardChoosesEveryOption();
    void spaceTicksDoubleClickAndLocksRightButton();
    void spacePressesFocusedButton_data();
    void spacePressesFocusedButton();
    void enterPressesFocusedButton_data();
    void enterPressesFocusedButton();
    void screenReaderActionsWork();
};

void tst_Accessibility::settingsControlsAreNamed_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    using A = QAccessible;
    QTest::newRow("Frame1") << "Frame1" << A::Grouping << "Уровень сложности";
    QTest::newRow("Option1") << "Option1" << A::RadioButton << "Начинающий";
    QTest::newRow("Option2") << "Option2" << A::RadioButton << "Бывалый";
    QTest::newRow("Option3") << "Option3" << A::RadioButton << "Опытный";
    QTest::newRow("Option4") << "Option4" << A::RadioButton << "Супермен";
    QTest::newRow("Frame2") << "Frame2" << A::Grouping << "Вид тренировки";
    QTest::newRow("Option5") << "Option5" << A::RadioButton << "Левая кнопка";
    QTest::newRow("Option6") << "Option6" << A::RadioButton << "Правая кнопка";
    // The frame has no caption on screen, so only the screen reader hears its name.
    QTest::newRow("Frame3") << "Frame3" << A::Grouping << "Вид щелчка";
    QTest::newRow("Check1") << "Check1" << A::CheckBox << "Двойной щелчёк";
    QTest::newRow("Command1") << "Command1" << A::Button << "Старт";
    QTest::newRow("Command2") << "Command2" << A::Button << "Выход";
    QTest::newRow("Command3") << "Command3" << A::Button << "О программе";
}

void tst_Accessibility::settingsControlsAreNamed()
{
    QFETCH(QString, object);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    Settings s;
    QAccessibleInterface *control = accessible(s.control(object.toLatin1().constData()));
    QVERIFY(control);
    QCOMPARE(control->role(), role);
    QCOMPARE(control->text(QAccessible::Name), name);
}

void tst_Accessibility::gameControlsAreNamed_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    using A = QAccessible;
    QTest::newRow("target") << "Picture1" << A::Client << "Квадратик"
                            << "Ой - ё - ёй, поймал !!!";
    QTest::newRow("close") << "Command1" << A::Button << "Закрыть"
                           << "Закрыть";
    QTest::newRow("level") << "Label1" << A::StaticText << "Начинающий"
                           << "";
    QTest::newRow("button") << "Label2" << A::StaticText << "левый"
                            << "";
    QTest::newRow("click") << "Label3" << A::StaticText << "одинарный"
                           << "";
    QTest::newRow("title") << "Label4" << A::StaticText << "Квадрилка"
                           << "";
    QTest::newRow("version") << "Label5" << A::StaticText << "Версия 2.0"
                             << "";
}

void tst_Accessibility::gameControlsAreNamed()
{
    QFETCH(QString, object);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, description);
    Settings s;
    GameWindow *game = s.startedGame();
    QVERIFY(game);
    QAccessibleInterface *control = accessible(game->findChild<QWidget *>(object));
    QVERIFY(control);
    QCOMPARE(control->role(), role);
    QCOMPARE(control->text(QAccessible::Name), name);
    QCOMPARE(control->text(QAccessible::Description), description);
}

void tst_Accessibility::everyShownControlHasRussianName_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("windowName");
    QTest::addColumn<int>("controls");
    QTest::newRow("settings") << ""
                              << "Квадрилка" << 13;
    QTest::newRow("game") << "Command1"
                          << "Игровое поле" << 7;
    QTest::newRow("about") << "Command3"
                           << "О программе" << 5;
}

void tst_Accessibility::everyShownControlHasRussianName()
{
    QFETCH(QString, opener);
    QFETCH(QString, windowName);
    QFETCH(int, controls);
    Settings s;
    s.start.show();
    QWidget *window = &s.start;
    if (!opener.isEmpty()) {
        QTest::mouseClick(s.control(opener.toLatin1().constData()), Qt::LeftButton);
        window = opener == QLatin1String("Command1") ? static_cast<QWidget *>(s.start.gameWindow())
                                                     : s.start.aboutWindow();
    }
    QVERIFY(window);
    QAccessibleInterface *root = accessible(window);
    QCOMPARE(root->text(QAccessible::Name), windowName);
    QStringList unnamed;
    QCOMPARE(collectUnnamed(root, unnamed), controls);
    QCOMPARE(unnamed, QStringList());
}

void tst_Accessibility::startHasFocusWhenWindowOpens()
{
    Settings s;
    QVERIFY(s.showActive());
    QCOMPARE(s.focused(), QStringLiteral("Command1"));
    QVERIFY(accessible(s.control("Command1"))->state().focused);
}

void tst_Accessibility::tabVisitsEachGroupOnce()
{
    Settings s;
    QVERIFY(s.showActive());
    // Tab stops once in each group of options, at the option last visited; the arrows move
    // within the group. So from the start Tab takes the first option of each group.
    const QStringList expected{"Command2", "Command3", "Option1", "Option6",
                               "Check1",   "Command1", "Command2"};
    QStringList walked;
    for (int i = 0; i < expected.size(); ++i) {
        s.press(Qt::Key_Tab);
        walked.append(s.focused());
    }
    QCOMPARE(walked, expected);
}

void tst_Accessibility::shiftTabWalksBack()
{
    Settings s;
    QVERIFY(s.showActive());
    // Backwards the groups are entered at their last options.
    const QStringList expected{"Check1", "Option4", "Option5", "Command3", "Command2", "Command1"};
    QStringList walked;
    for (int i = 0; i < expected.size(); ++i) {
        s.press(Qt::Key_Backtab, Qt::ShiftModifier);
        walked.append(s.focused());
    }
    QCOMPARE(walked, expected);
}

void tst_Accessibility::keyboardChoosesEveryOption_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("left");
    const int tab = Qt::Key_Tab;
    const QList<int> toLevels{tab, tab, tab};
    const QList<int> toButtons{tab, tab, tab, tab};
    QTest::newRow("Начинающий") << toLevels << "Option1" << 1 << true;
    QTest::newRow("Бывалый") << toLevels + QList<int>{Qt::Key_Down} << "Option2" << 2 << true;
    QTest::newRow("Опытный") << toLevels + QList<int>{Qt::Key_Down, Qt::Key_Down} << "Option3" << 3
                             << true;
    QTest::newRow("Супермен") << toLevels + QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}
                              << "Option4" << 4 << true;
    QTest::newRow("down and up again")
        << toLevels + QList<int>{Qt::Key_Down, Qt::Key_Up} << "Option1" << 1 << true;
    QTest::newRow("Правая кнопка, Space")
        << toButtons + QList<int>{Qt::Key_Space} << "Option6" << 1 << false;
    QTest::newRow("Левая кнопка, Up")
        << toButtons + QList<int>{Qt::Key_Space, Qt::Key_Up} << "Option5" << 1 << true;
    // Back in the level group, Tab returns to the option chosen there.
    QTest::newRow("Tab back to the chosen level")
        << toLevels + QList<int>{Qt::Key_Down, Qt::Key_Down, tab, tab, tab, tab, tab, tab}
        << "Option3" << 3 << true;
}

void tst_Accessibility::keyboardChoosesEveryOption()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, focused);
    QFETCH(int, level);
    QFETCH(bool, left);
    Settings s;
    QVERIFY(s.showActive());
    for (const int key : keys)
        s.press(Qt::Key(key));
    QCOMPARE(s.focused(), focused);
    QCOMPARE(s.start.level(), level);
    QCOMPARE(s.start.leftChosen(), left);
    QCOMPARE(s.start.rightChosen(), !left);
    QVERIFY(accessible(s.control(focused.toLatin1().constData()))->state().checked);
}

void tst_Accessibility::spaceTicksDoubleClickAndLocksRightButton()
{
    Settings s;
    QVERIFY(s.showActive());
    s.tabTo("Option6");
    s.press(Qt::Key_Space);
    QVERIFY(s.start.rightChosen());
    s.tabTo("Check1");
    s.press(Qt::Key_Space);
    QCOMPARE(s.start.doubleClick(), 1);
    QVERIFY(s.start.leftChosen());
    // The screen reader announces the right-button choice as unavailable.
    QVERIFY(accessible(s.control("Check1"))->state().checked);
    QVERIFY(accessible(s.control("Option6"))->state().disabled);
    QVERIFY(accessible(s.control("Option5"))->state().checked);
    s.press(Qt::Key_Space);
    QCOMPARE(s.start.doubleClick(), 0);
    QVERIFY(!accessible(s.control("Option6"))->state().disabled);
}

void tst_Accessibility::spacePressesFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("gameOpen");
    QTest::addColumn<int>("quits");
    QTest::addColumn<bool>("aboutOpen");
    QTest::newRow("Старт") << "Command1" << true << 0 << false;
    QTest::newRow("Выход") << "Command2" << false << 1 << false;
    QTest::newRow("О программе") << "Command3" << false << 0 << true;
}

void tst_Accessibility::spacePressesFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(bool, gameOpen);
    QFETCH(int, quits);
    QFETCH(bool, aboutOpen);
    Settings s;
    QVERIFY(s.showActive());
    s.tabTo(button.toLatin1().constData());
    QCOMPARE(s.focused(), button);
    s.press(Qt::Key_Space);
    QCOMPARE(s.start.gameWindow() && s.start.gameWindow()->isVisible(), gameOpen);
    QCOMPARE(s.fakes.quit.count, quits);
    QCOMPARE(s.start.aboutWindow() && s.start.aboutWindow()->isVisible(), aboutOpen);
    if (gameOpen)
        QCOMPARE(s.fakes.timer.interval(), 3000);
}

void tst_Accessibility::enterPressesFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("gameOpen");
    QTest::addColumn<int>("quits");
    QTest::newRow("Return on Старт") << "Command1" << int(Qt::Key_Return) << true << 0;
    QTest::newRow("keypad Enter on Старт") << "Command1" << int(Qt::Key_Enter) << true << 0;
    QTest::newRow("Return on Выход") << "Command2" << int(Qt::Key_Return) << false << 1;
}

void tst_Accessibility::enterPressesFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(bool, gameOpen);
    QFETCH(int, quits);
    Settings s;
    QVERIFY(s.showActive());
    s.tabTo(button.toLatin1().constData());
    auto *focused = s.control<QPushButton>(button.toLatin1().constData());
    QCOMPARE(QApplication::focusWidget(), focused);
    QSignalSpy clicked(focused, &QPushButton::clicked);
    s.press(Qt::Key(key));
    // Enter shows the button going down and up before it acts, as a click does.
    QVERIFY(clicked.count() == 1 || clicked.wait(2000));
    QCOMPARE(s.start.gameWindow() && s.start.gameWindow()->isVisible(), gameOpen);
    QCOMPARE(s.fakes.quit.count, quits);
}

void tst_Accessibility::screenReaderActionsWork()
{
    Settings s;
    s.start.show();
    QAccessibleActionInterface *check = accessible(s.control("Check1"))->actionInterface();
    QVERIFY(check);
    QVERIFY(check->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    check->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(s.start.doubleClick(), 1);

    QAccessibleActionInterface *start = accessible(s.control("Command1"))->actionInterface();
    QVERIFY(start);
    QSignalSpy clicked(s.control<QPushButton>("Command1"), &QPushButton::clicked);
    start->doAction(QAccessibleActionInterface::pressAction());
    // Pressed this way the button shows itself going down and up before it acts.
    QVERIFY(clicked.count() == 1 || clicked.wait(2000));
    QVERIFY(s.start.gameWindow());
    QVERIFY(s.start.gameWindow()->isVisible());
    QCOMPARE(
        accessible(s.start.gameWindow()->findChild<QWidget *>("Label3"))->text(QAccessible::Name),
        QStringLiteral("двойной"));
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
