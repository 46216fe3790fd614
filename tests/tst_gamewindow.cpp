// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "fakesettings.h"
#include "player.h"

const QColor field(0, 128, 0), ready(128, 255, 128);

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
    // How many pixels of a rectangle of the field have exactly this colour, as the screen shows
    // them: grabbing the widget instead would paint it afresh.
    int count(const QRect &area, const QColor &colour)
    {
        const QImage shot =
            game.screen()
                ->grabWindow(game.winId(), area.x(), area.y(), area.width(), area.height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        const auto *pixels = reinterpret_cast<const QRgb *>(shot.constBits());
        return int(std::count(pixels, pixels + shot.width() * shot.height(), colour.rgb()));
    }
};

// Clicks in turn on the named control or the "game" field; "+" marks the second
// of a double click (the double-click event alone), "a>b" a press on a let go over b.
struct Row
{
    QStringList steps;
    Qt::MouseButton button = Qt::LeftButton;
    int hits = 0, misses = 0, boxes = 0;
};

class tst_GameWindow : public QObject
{
    Q_OBJECT
private slots:
    void eachLoadDrawsItsLevelAndTheAnswersAreDrawnOnce()
    {
        Field f;
        // The answers to the miss notices are written at the top left, each a line under the last.
        const auto written = [&](int line) {
            return f.count(QRect(0, 14 * line, 7, 14), field) < 90;
        };
        QList<bool> seenUnderBox;
        f.fakes.messages.whileUp = [&](const auto &) { seenUnderBox.append(written(0)); };
        for (int level = 0; const int side : {49, 33, 17, 9}) {
            f.settings.chosenLevel = ++level;
            f.start();
            QVERIFY(QTest::qWaitForWindowExposed(&f.game));
            QPointer<TargetBox> box = player::target(f.game);
            const QRect square(712, 512, side, side);
            QTRY_COMPARE(f.count(square, ready), side * side);
            QCOMPARE(f.count(square.adjusted(-1, -1, 1, 1), field), 4 * side + 4);
            QVERIFY(!written(0));
            // The second and third miss each bring the notice twice, the answer printed in between.
            seenUnderBox.clear();
            for (int i = 0; i < 3; ++i)
                QTest::mouseClick(&f.game, Qt::LeftButton, {}, QPoint(300, 300));
            QCOMPARE(seenUnderBox, QList<bool>({false, true, true, true}));
            f.fakes.pacingTimer.fire();
            QVERIFY(written(0) && written(1) && !written(2));
            // Painted afresh, the field has forgotten them.
            f.game.repaint();
            QVERIFY(!written(0) && !written(1));
            // Closed, the window lets its controls go; the next load makes fresh ones.
            player::closeRound(f.game);
            QTRY_VERIFY(!box && !f.game.isVisible() && !f.fakes.pacingTimer.isEnabled());
        }
    }

    void onlyTheEmptyFieldMissesAndDoubleClicksNeedOneControl_data()
    {
        QTest::addColumn<Row>("row");
        // Single-click mode: a double click on the target costs the hit and brings a notice.
        QTest::newRow("both on the target") << Row{.steps = {"Picture1", "+Picture1"}, .boxes = 1};
        // Otherwise the second click is an ordinary press, which scores.
        QTest::newRow("first on the field") << Row{.steps = {"game", "+Picture1"}, .hits = 1};
        QTest::newRow("first on the field, right")
            << Row{.steps = {"game", "+Picture1"}, .button = Qt::RightButton, .hits = 1};
        QTest::newRow("target, then the field")
            << Row{.steps = {"Picture1", "game", "+Picture1"}, .hits = 1};
        QTest::newRow("labels") << Row{.steps = {"Label1", "Label2", "Label3", "Label4", "Label5"}};
        QTest::newRow("double click on the field") << Row{.steps = {"game", "+game"}, .misses = 1};
        QTest::newRow("let go elsewhere") << Row{.steps = {"game>Label1", "Label4>game"}};
        // The two come as a double click, but the target jumped away after the first.
        QTest::newRow("field right after a hit")
            << Row{.steps = {"Picture1", "+game"}, .hits = 1, .misses = 1};
    }

    void onlyTheEmptyFieldMissesAndDoubleClicksNeedOneControl()
    {
        QFETCH(Row, row);
        Field f;
        f.settings.left = row.button == Qt::LeftButton;
        f.start();
        for (const QString &step : row.steps) {
            QList<QWidget *> on;
            for (const QString &name : QString(step).remove('+').split('>'))
                on << (name == "game" ? &f.game : f.game.findChild<QWidget *>(name));
            const QPoint at(2, 8), off = on[0]->mapFrom(&f.game, on.last()->mapTo(&f.game, at));
            QTest::mouseEvent(step.startsWith('+') ? QTest::MouseDClick : QTest::MousePress, on[0],
                              row.button, {}, at);
            QTest::mouseRelease(on[0], row.button, {}, off);
        }
        QCOMPARE(f.game.round().state().Hits, row.hits);
        QCOMPARE(f.game.round().state().MissCount, row.misses);
        QCOMPARE(f.fakes.messages.shown.size(), row.boxes);
    }

    // Where the pointer started, when it set off and where the click landed, as the mouse told it.
    void theAimIsTakenFromTheMouse()
    {
        struct : RoundReport
        {
            QList<RoundRecord> rounds;
            void roundEnded(const RoundRecord &record) override { rounds.append(record); }
        } report;
        Field f;
        f.game.round().setReport(&report);
        f.start();
        QVERIFY(QTest::qWaitForWindowExposed(&f.game));
        QTest::mouseMove(&f.game, QPoint(100, 200));
        f.fakes.clock.advance(1000);
        QVERIFY(f.fakes.pacingTimer.fire());
        // A tremble of a pixel is not setting off; over a label, the field still sees the move.
        f.fakes.clock.advance(150);
        QTest::mouseMove(&f.game, QPoint(101, 201));
        f.fakes.clock.advance(100);
        QTest::mouseMove(f.game.findChild<QWidget *>("Label1"), QPoint(3, 3));
        f.fakes.clock.advance(400);
        TargetBox *box = player::target(f.game);
        QTest::mouseMove(box, QPoint(5, 7));
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(5, 7));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(5, 7));
        const QPointF centre = QRectF(box->geometry()).center();
        player::closeRound(f.game);
        QCOMPARE(report.rounds.size(), 1);
        const TargetRecord &aimed = report.rounds[0].targets.value(1);
        QCOMPARE(std::tuple(aimed.start, aimed.centre, aimed.movedAfterMs, aimed.hitAfterMs,
                            aimed.click),
                 std::tuple(std::optional(QPointF(100, 200)), std::optional(centre), qint64(250),
                            qint64(650), std::optional(QPointF(5 - 24.5, 7 - 24.5))));
    }
};

QTEST_MAIN(tst_GameWindow)
#include "tst_gamewindow.moc"
