// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how long a correct press on a fresh target takes to show as a red square: from the
// press event to the target's repaint, and to the end of the event-loop pass that painted and
// flushed the window. The timer is stepped by hand so that every sample gets a fresh target.
// Prints key=value lines for run.sh.
#include "gamewindow.h"
#include "rules.h"
#include "unattended.h"
#include "targetbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Notes the moment the armed target is first painted in its hit colour.
class PaintWatch : public QObject
{
public:
    void arm(TargetBox *target, const QElapsedTimer *clock)
    {
        m_target = target;
        m_clock = clock;
        paintedMs = -1;
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_target && watched == m_target && event->type() == QEvent::Paint && paintedMs < 0 &&
            m_target->backColor() == rules::HitColour)
            paintedMs = double(m_clock->nsecsElapsed()) / 1e6;
        return false;
    }

    double paintedMs = -1;

private:
    TargetBox *m_target = nullptr;
    const QElapsedTimer *m_clock = nullptr;
};

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto rank = qsizetype(std::ceil(p * double(values.size()))) - 1;
    return values[std::clamp<qsizetype>(rank, 0, values.size() - 1)];
}

// Lets everything already queued run, so that a sample starts from a quiet event loop.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    FakeTimer timer;
    Unattended game(timer);
    if (!game.show("response"))
        return 1;
    StartWindow &start = game.start;
    PaintWatch watch;
    app.installEventFilter(&watch);

    QList<double> painted;
    QList<double> flushed;
    int misses = 0;
    while (painted.size() < samples) {
        GameWindow *game = start.gameWindow();
        if (!game || !game->isLoaded()) {
            QTest::mouseClick(start.findChild<QPushButton *>(QStringLiteral("Command1")),
                              Qt::LeftButton);
            game = start.gameWindow();
            if (!QTest::qWaitForWindowExposed(game)) {
                std::fprintf(stderr, "response: the game window was never shown\n");
                return 1;
            }
        } else if (!timer.fire() || !game->isLoaded()) {
            // The thirtieth step ends the round; the next pass starts another.
            continue;
        }
        settle();
        auto *target = game->findChild<TargetBox *>(QStringLiteral("Picture1"));
        if (!target || target->backColor() != rules::ReadyColour)
            continue;

        QElapsedTimer sincePress;
        sincePress.start();
        watch.arm(target, &sincePress);
        QTest::mousePress(target, Qt::LeftButton, {}, target->rect().center());
        while (watch.paintedMs < 0 && sincePress.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double done = double(sincePress.nsecsElapsed()) / 1e6;
        const double paintedAt = watch.paintedMs;
        watch.arm(nullptr, nullptr);
        QTest::mouseRelease(target, Qt::LeftButton, {}, target->rect().center());
        if (paintedAt < 0) {
            ++misses;
            if (misses > 10) {
                std::fprintf(stderr, "response: presses are not shown as hits\n");
                return 1;
            }
            continue;
        }
        painted.append(paintedAt);
        flushed.append(done);
    }

    std::printf("samples=%lld\n", qlonglong(painted.size()));
    std::printf("painted_p50_ms=%.3f\n", percentile(painted, 0.50));
    std::printf("painted_p99_ms=%.3f\n", percentile(painted, 0.99));
    std::printf("flushed_p50_ms=%.3f\n", percentile(flushed, 0.50));
    std::printf("flushed_p99_ms=%.3f\n", percentile(flushed, 0.99));
    std::printf("flushed_max_ms=%.3f\n", percentile(flushed, 1.0));
    return 0;
}
