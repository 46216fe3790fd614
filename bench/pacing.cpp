// SPDX-License-Identifier: GPL-3.0-or-later
// Plays one whole round on the real timer, clock and random source, with nobody at the mouse,
// and reports how close each tick came to the moment it was due. Prints key=value lines for
// run.sh; the ticks one by one go to stderr.
#include "gamewindow.h"
#include "rules.h"
#include "unattended.h"
#include "systemtimer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// Least-squares slope of y over x.
double slope(const QList<double> &x, const QList<double> &y)
{
    const auto n = double(x.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (qsizetype i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double d = n * sxx - sx * sx;
    return d == 0 ? 0 : (n * sxy - sx * sy) / d;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SystemTimer timer;
    Unattended game(timer);
    if (!game.show("pacing"))
        return 1;
    StartWindow &start = game.start;
    FakeMessageBox &box = game.box;

    QElapsedTimer sinceStart;
    QList<double> arrived;
    QList<int> numbers;
    // Connected before the game window exists, so it runs ahead of the game's own handler and
    // records the moment the tick arrived rather than the moment the handler finished.
    QObject::connect(&timer, &Timer::timeout, &timer, [&] {
        arrived.append(double(sinceStart.nsecsElapsed()) / 1e6);
        numbers.append(start.gameWindow()->round().state().TargetNumber);
    });
    box.whileUp = [](const FakeMessageBox::Shown &shown) {
        if (shown.buttons == MessageBox::CancelTryContinue)
            QCoreApplication::exit(0);
    };
    QTimer::singleShot(120000, &app, [] { QCoreApplication::exit(2); });

    QTest::mouseClick(start.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    sinceStart.start();
    if (QApplication::exec() != 0 || arrived.size() != rules::roundLength) {
        std::fprintf(stderr, "pacing: the round did not end with %d ticks (%lld seen)\n",
                     rules::roundLength, qlonglong(arrived.size()));
        return 1;
    }

    QList<double> targets;
    QList<double> lateness;
    double due = rules::firstInterval;
    for (int i = 0; i < rules::roundLength; ++i) {
        const int n = i + 1;
        if (numbers[i] != n) {
            std::fprintf(stderr, "pacing: tick %d found target %d\n", n, numbers[i]);
            return 1;
        }
        const double late = arrived[i] - due;
        std::fprintf(stderr, "tick %2d due %8.1f ms arrived %10.3f ms late %7.3f ms\n", n, due,
                     arrived[i], late);
        targets.append(n);
        lateness.append(late);
        if (n < rules::roundLength)
            due += rules::intervalAfter(n);
    }
    const auto [earliest, latest] = std::minmax_element(lateness.cbegin(), lateness.cend());
    std::printf("ticks=%lld\n", qlonglong(arrived.size()));
    std::printf("latest_ms=%.3f\n", *latest);
    std::printf("earliest_ms=%.3f\n", *earliest);
    std::printf("worst_ms=%.3f\n", std::max(*latest, -*earliest));
    std::printf("round_ms=%.3f\n", arrived.last());
    std::printf("round_due_ms=%.0f\n", due);
    std::printf("drift_ms_per_target=%.4f\n", slope(targets, lateness));
    return 0;
}
