// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "gamestate.h"
#include "gamewindow.h"
#include "player.h"
#include "program.h"
#include "startwindow.h"
#include "targetbox.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace rules;

namespace {

// The whole program with fakes underneath, driven through its controls.
struct Program : ProgramUnderTest
{
    // Set by the box hook when the timer was running while a box was up.
    int timerRanUnderBox = 0;

    Program()
    {
        fakes.messages.whileUp = [this](const FakeMessageBox::Shown &) {
            timerRanUnderBox += fakes.timer.isEnabled() ? 1 : 0;
        };
        start.show();
    }
    TargetBox *target() const { return player::target(game()); }
    void press(Qt::MouseButton button) { player::press(game(), button); }
    void doubleClick() { player::doubleClick(game()); }
    void missClick() { player::missClick(game()); }
    void closeGame() { player::closeRound(game()); }
    // Plays the round out without touching the target.
    void finishRound()
    {
        while (game().isLoaded())
            QVERIFY(fakes.timer.fire());
    }
};

enum class Offence { Miss, DoubleInSingle, RightInDouble, RightWhileLeft, LeftWhileRight };

// Sets the choices the offence needs, starts a round, moves to target 2 and commits it.
void commit(Program &program, Offence offence)
{
    if (offence == Offence::RightInDouble)
        program.click("Check1");
    if (offence == Offence::LeftWhileRight)
        program.click("Option6");
    program.click("Command1");
    program.fakes.timer.fire();
    switch (offence) {
    case Offence::Miss:
        program.missClick();
        program.missClick();
        break;
    case Offence::DoubleInSingle:
        program.doubleClick();
        break;
    case Offence::RightInDouble:
    case Offence::RightWhileLeft:
        program.press(Qt::RightButton);
        break;
    case Offence::LeftWhileRight:
        program.press(Qt::LeftButton);
        break;
    }
}

void addOffenceColumns()
{
    QTest::addColumn<int>("offence");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("hits");
}

struct OffenceRow
{
    const char *name;
    Offence offence;
    QList<Penalty> boxes;
    int hits;
    // The score when the window goes away while the first box is up.
    int hitsAtFirstBox;
};

const QList<OffenceRow> offences{
    {"misses", Offence::Miss, {Penalty::Miss, Penalty::Miss}, 0, 0},
    // The first press of the double click scores, the double click takes the point back.
    {"double click in single mode", Offence::DoubleInSingle, {Penalty::DoubleInSingleMode}, 0, 0},
    {"right press in double mode",
     Offence::RightInDouble,
     {Penalty::RightInDoubleMode, Penalty::RightWhileLeft},
     -1,
     0},
    {"right press while left chosen", Offence::RightWhileLeft, {Penalty::RightWhileLeft}, -1, -1},
    {"left press while right chosen", Offence::LeftWhileRight, {Penalty::LeftWhileRight}, -1, -1},
};

QStringList titlesOf(const QList<Penalty> &penalties)
{
    QStringList titles;
    for (Penalty penalty : penalties)
        titles.append(notice(penalty).title);
    return titles;
}

QStringList titlesShown(const FakeMessageBox &messages)
{
    QStringList titles;
    for (const auto &box : messages.shown)
        titles.append(box.title);
    return titles;
}

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void oddAnswerToNoticeLetsRoundGoOn_data();
    void oddAnswerToNoticeLetsRoundGoOn();
    void oddAnswerToResultBoxStillEndsRound_data();
    void oddAnswerToResultBoxStillEndsRound();
    void gameClosedWhileNoticeIsUp_data();
    void gameClosedWhileNoticeIsUp();
    void gameClosedWhileResultBoxIsUp();
    void closedSettingsAreReadAsInitialChoices_data();
    void closedSettingsAreReadAsInitialChoices();
    void closingGameAfterSettingsEndsProgram_data();
    void closingGameAfterSettingsEndsProgram();
};

void tst_Faults::initTestCase() { quietRaiseWarnings(); }

void tst_Faults::oddAnswerToNoticeLetsRoundGoOn_data()
{
    addOffenceColumns();
    QTest::addColumn<int>("answer");
    for (const int answer : {0, -1, 2, 99}) {
        for (const OffenceRow &row : offences) {
            QTest::addRow("%s, answer %d", row.name, answer)
                << int(row.offence) << titlesOf(row.boxes) << row.hits << answer;
        }
    }
}

void tst_Faults::oddAnswerToNoticeLetsRoundGoOn()
{
    QFETCH(int, offence);
    QFETCH(int, answer);
    Program program;
    program.fakes.messages.answers = {answer, answer, answer};
    commit(program, Offence(offence));

    QTEST(titlesShown(program.fakes.messages), "titles");
    QTEST(int(program.game().state().Hits), "hits");
    QCOMPARE(program.timerRanUnderBox, 0);
    for (const auto &box : program.fakes.messages.shown)
        QCOMPARE(box.buttons, int(MessageBox::OkOnly));
    // The round goes on: the timer runs again and the next target can be scored.
    QVERIFY(program.game().isLoaded());
    QVERIFY(program.fakes.timer.isEnabled());
    QCOMPARE(program.fakes.timer.interval(), intervalAfter(1));
    QVERIFY(program.fakes.timer.fire());
    QCOMPARE(program.game().state().TargetNumber, std::int16_t(3));
    QCOMPARE(program.game().state().TurnLost, std::int16_t(0));
    if (Offence(offence) == Offence::RightInDouble)
        program.doubleClick();
    else
        program.press(Offence(offence) == Offence::LeftWhileRight ? Qt::RightButton
                                                                  : Qt::LeftButton);
    QTEST(int(program.game().state().Hits) - 1, "hits");
    QCOMPARE(program.target()->backColor(), HitColour);
    // Only the miss notice writes its answer on the field.
    const QStringList printed =
        Offence(offence) == Offence::Miss ? QStringList{QString::number(answer)} : QStringList{};
    QCOMPARE(program.game().printedLines(), printed);
}

void tst_Faults::oddAnswerToResultBoxStillEndsRound_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("zero") << 0;
    QTest::newRow("minus one") << -1;
    QTest::newRow("OK, which this box does not have") << 1;
    QTest::newRow("Cancel") << 2;
    QTest::newRow("Continue") << 11;
    QTest::newRow("ninety-nine") << 99;
}

void tst_Faults::oddAnswerToResultBoxStillEndsRound()
{
    QFETCH(int, answer);
    Program program;
    program.fakes.messages.answers = {answer};
    program.click("Command1");
    program.finishRound();

    QCOMPARE(program.fakes.messages.shown.size(), 1);
    QCOMPARE(program.fakes.messages.shown[0].title, resultTitle());
    QCOMPARE(program.timerRanUnderBox, 0);
    QVERIFY(!program.game().isVisible());
    QVERIFY(!program.fakes.timer.isEnabled());
    QCOMPARE(program.fakes.timer.interval(), 0);
    QCOMPARE(program.game().printedLines(), QStringList{QString::number(answer)});

    // The next round starts as any other.
    program.click("Command1");
    QVERIFY(program.game().isVisible());
    QCOMPARE(program.game().state().TargetNumber, std::int16_t(1));
    QCOMPARE(program.game().state().Hits, std::int16_t(0));
    QCOMPARE(program.game().printedLines(), QStringList{});
    QVERIFY(program.fakes.timer.isEnabled());
    QCOMPARE(program.fakes.timer.interval(), firstInterval);
}

void tst_Faults::gameClosedWhileNoticeIsUp_data()
{
    addOffenceColumns();
    for (const OffenceRow &row : offences) {
        // Whatever follows the box in the same event is dropped with the window.
        QTest::newRow(row.name) << int(row.offence) << titlesOf(row.boxes.mid(0, 1))
                                << row.hitsAtFirstBox;
    }
}

void tst_Faults::gameClosedWhileNoticeIsUp()
{
    QFETCH(int, offence);
    Program program;
    program.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        program.timerRanUnderBox += program.fakes.timer.isEnabled() ? 1 : 0;
        program.game().close();
    };
    commit(program, Offence(offence));

    QTEST(titlesShown(program.fakes.messages), "titles");
    QTEST(int(program.game().state().Hits), "hits");
    QCOMPARE(program.timerRanUnderBox, 0);
    QVERIFY(!program.game().isLoaded());
    QVERIFY(!program.game().isVisible());
    QVERIFY(!program.fakes.timer.isEnabled());
    QCOMPARE(program.target(), nullptr);

    program.fakes.messages.whileUp = nullptr;
    program.click("Command1");
    QVERIFY(program.game().isVisible());
    QVERIFY(program.fakes.timer.isEnabled());
    QCOMPARE(program.fakes.timer.interval(), firstInterval);
    QVERIFY(program.target()->isVisible());
}

void tst_Faults::gameClosedWhileResultBoxIsUp()
{
    Program program;
    program.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) { program.game().close(); };
    program.fakes.messages.answers = {MessageBox::Continue};
    program.click("Command1");
    program.finishRound();

    QCOMPARE(program.fakes.messages.shown.size(), 1);
    QVERIFY(!program.game().isVisible());
    QVERIFY(!program.fakes.timer.isEnabled());
    QCOMPARE(program.fakes.timer.interval(), 0);
    QCOMPARE(program.target(), nullptr);
    QVERIFY(program.start.isVisible());
}

void tst_Faults::closedSettingsAreReadAsInitialChoices_data()
{
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("hits");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("size");

    const QStringList superRight{"Option4", "Option6"};
    const QStringList seasonedDouble{"Option2", "Check1"};
    const QString rightWhileLeft = notice(Penalty::RightWhileLeft).title;
    const QString doubleInSingle = notice(Penalty::DoubleInSingleMode).title;
    QTest::newRow("right chosen, left press scores")
        << superRight << "left" << 1 << QStringList{} << 9;
    QTest::newRow("right chosen, right press is wrong")
        << superRight << "right" << -1 << QStringList{rightWhileLeft} << 9;
    QTest::newRow("double chosen, single press scores")
        << seasonedDouble << "left" << 1 << QStringList{} << 33;
    QTest::newRow("double chosen, double click is too much")
        << seasonedDouble << "double" << 0 << QStringList{doubleInSingle} << 33;
}

void tst_Faults::closedSettingsAreReadAsInitialChoices()
{
    QFETCH(QStringList, changes);
    QFETCH(QString, action);
    Program program;
    for (const QString &name : changes)
        program.click(qPrintable(name));
    program.click("Command1");
    program.fakes.timer.fire();
    QVERIFY(program.start.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(program.start.findChild<QWidget *>(QStringLiteral("Check1")), nullptr);

    if (action == QLatin1String("left"))
        program.press(Qt::LeftButton);
    else if (action == QLatin1String("right"))
        program.press(Qt::RightButton);
    else
        program.doubleClick();

    QTEST(int(program.game().state().Hits), "hits");
    QTEST(titlesShown(program.fakes.messages), "titles");
    // The level was read at load and stays for the round.
    QFETCH(int, size);
    QCOMPARE(program.target()->size(), QSize(size, size));
    QVERIFY(program.fakes.timer.isEnabled());
    program.finishRound();
    QVERIFY(!program.game().isVisible());
}

void tst_Faults::closingGameAfterSettingsEndsProgram_data()
{
    QTest::addColumn<bool>("byCloseButton");
    QTest::newRow("close button") << true;
    QTest::newRow("end of the round") << false;
}

void tst_Faults::closingGameAfterSettingsEndsProgram()
{
    QFETCH(bool, byCloseButton);
    Program program;
    program.click("Command1");
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    // The program only ends from its running event loop, so the windows are closed from there.
    QObject context;
    QMetaObject::invokeMethod(
        &context,
        [&] {
            program.start.close();
            if (byCloseButton)
                program.closeGame();
            else
                program.finishRound();
        },
        Qt::QueuedConnection);
    // Stops a program that failed to end by itself.
    QTimer::singleShot(10000, &context, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(lastClosed.count(), 1);
    QVERIFY(!program.fakes.timer.isEnabled());
    for (QWidget *window : QApplication::topLevelWidgets())
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
}

QTEST_MAIN(tst_Faults)
#include "tst_faults.moc"
