// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the parents' report of one child with 250 rounds in the last 30 days and times it, from
// the call to the file closed. Prints key=value lines for run.sh; an optional argument keeps the
// file under that name, to look at.
#include "parentsreport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QDateTime now(QDate(2026, 12, 7), QTime(18, 0));
    const parentsreport::Period period = parentsreport::lastDays(now.date());
    std::mt19937 random(17);
    std::normal_distribution<double> noise(0, 1);
    std::uniform_int_distribution<int> minute(9 * 60, 20 * 60);
    QList<DiaryRound> rounds;
    for (int n = 0; n < 250; ++n) {
        // Slowly better over the month, with the ups and downs of a real child.
        const double progress = n / 250.0;
        DiaryRound round;
        round.started =
            QDateTime(period.from.addDays(n * 30 / 250), QTime(0, 0).addSecs(60 * minute(random)));
        round.level = 1 + n / 100;
        round.ending = n % 17 == 5 ? RoundEnding::CloseButton : RoundEnding::Result;
        round.score = std::clamp(int(14 + 10 * progress + 4 * noise(random)), -5, 30);
        round.figures.hits = std::max(round.score, 0);
        round.figures.medianTimeToHitMs = 1300 - 450 * progress + 120 * noise(random);
        if (n % 9 != 0)
            round.figures.throughput = 2.2 + 1.2 * progress + 0.3 * noise(random);
        rounds.prepend(round);
    }

    QTemporaryDir dir;
    const QString fileName =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath(QStringLiteral("report.pdf"));
    QElapsedTimer timer;
    timer.start();
    const QString problem = parentsreport::write(
        fileName, {{{QStringLiteral("anna"), QStringLiteral("Анна Петрова")}, rounds}}, period,
        now);
    const qint64 elapsed = timer.elapsed();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    std::printf("report_ms=%lld\n", static_cast<long long>(elapsed));
    std::printf("report_kib=%lld\n", static_cast<long long>(QFileInfo(fileName).size() / 1024));
    return 0;
}
