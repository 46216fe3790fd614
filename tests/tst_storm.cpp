// SPDX-License-Identifier: GPL-3.0-or-later
// Random input over the whole program, with the round's rules checked after every event.
#include "design.h"
#include "fakes.h"
#include "player.h"
#include "startwindow.h"

#include <QRandomGenerator>

#include <memory>

class tst_Storm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { quietRaiseWarnings(); }
    void randomInputKeepsTheRules();
};

void tst_Storm::randomInputKeepsTheRules()
{
    const quint32 seed = seedFromEnvironment("KVADRILKA_STORM_SEED", 715517);
    qInfo("seed %u (set KVADRILKA_STORM_SEED to replay another)", seed);
    QRandomGenerator chance(seed);
    FakePlatform fakes;
    bool timerUnderBox = false;
    fakes.messages.whileUp = [&](const auto &) { timerUnderBox |= fakes.pacingTimer.isEnabled(); };
    std::unique_ptr<StartWindow> start;
    int sent = 0, rounds = 0, scored = 0, side = 0;
    for (int rolls = 0; sent < 30000 && rolls < 1000000; ++rolls) {
        GameWindow *game = start ? start->gameWindow() : nullptr;
        const bool running = game && game->isLoaded();
        // When both windows are gone the program is run anew, so the storm goes on.
        if (!running && !(start && start->isLoaded()))
            (start = std::make_unique<StartWindow>(fakes.platform()))->show();
        // Out of 1000: tick 200, presses 250, double click 100, field 150, choice 170, Start 110,
        // X 15, closing the settings 5. An event with nothing to act on is rolled again.
        const int roll = int(chance.bounded(1000u));
        if ((roll >= 700 && (roll < 980 || roll >= 995)) ? !start->isLoaded() : !running)
            continue;
        const std::uint32_t before = running ? game->round().targetColour() : 0;
        if (roll < 200) {
            fakes.pacingTimer.fire();
        } else if (roll < 450) {
            const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
            player::press(*game, buttons[roll < 320 ? 0 : roll < 410 ? 1 : 2]);
        } else if (roll < 550) {
            player::doubleClick(*game);
        } else if (roll < 700) {
            // Anywhere on the field away from the target, the labels and the close button.
            const QPoint spot(int(chance.bounded(20, 740)), int(chance.bounded(60, 560)));
            if (player::target(*game)->geometry().adjusted(-2, -2, 2, 2).contains(spot))
                continue;
            QTest::mouseClick(game, Qt::LeftButton, {}, spot);
        } else if (roll < 870) {
            const int n = int(chance.bounded(1, 8));
            const QString name = n < 7 ? QString("Option%1").arg(n) : QString("Check1");
            QTest::mouseClick(start->findChild<QWidget *>(name), Qt::LeftButton);
        } else if (roll < 980) {
            rounds += running ? 0 : 1;
            side = running ? side : twips::toPixels(rules::level(start->level()).sizeTwips);
            QTest::mouseClick(start->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        } else if (roll < 995) {
            player::closeRound(*game);
        } else {
            start->close();
        }
        ++sent;
        // The real event loop deletes the controls of an unloaded window at this point.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        game = start->gameWindow();
        const bool now = game && game->isLoaded();
        const GameState state = now ? game->round().state() : GameState{};
        const auto colour = now ? game->round().targetColour() : rules::ReadyColour;
        const TargetBox *box = now ? player::target(*game) : nullptr;
        scored += before == rules::ReadyColour && colour == rules::HitColour;
        const QByteArray where = QString("seed %1, event %2").arg(seed).arg(sent).toUtf8();
        QVERIFY2(fakes.messages.mostOpenAtOnce <= 1 && !timerUnderBox, where);
        QVERIFY2(fakes.pacingTimer.isEnabled() == now && (now || fakes.pacingTimer.interval() == 0),
                 where);
        QVERIFY2(state.Hits <= state.TargetNumber && state.TargetNumber <= rules::roundLength,
                 where);
        QVERIFY2(!box || (box->backColor() == colour && box->size() == QSize(side, side)), where);
    }
    const int boxes = int(fakes.messages.shown.size());
    qInfo("%d events, %d rounds, %d targets scored, %d boxes", sent, rounds, scored, boxes);
    // The storm reached every corner it is meant to: many rounds, hits and boxes.
    QVERIFY(sent == 30000 && rounds > 50 && scored > 300 && boxes > 1000);
}

QTEST_MAIN(tst_Storm)
#include "tst_storm.moc"
