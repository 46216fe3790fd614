// SPDX-License-Identifier: GPL-3.0-or-later
// Fills a diary in a scratch folder with 10,000 rounds of 30 targets, written through the records
// one round at a time as the game writes them, then measures the diary window from its
// construction to the end of its first paint, with a freshly made store as a new game has.
// Prints key=value lines for run.sh; an optional argument sets the number of rounds.
#include "qtdialogs.h"
#include "diarywindow.h"
#include "sqliterecords.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// Notes the first paint of the window itself.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            painted = true;
        return false;
    }
    bool painted = false;
};

RoundRecord roundNumber(int n, std::mt19937 &random)
{
    std::uniform_int_distribution<int> time(250, 1500);
    std::uniform_int_distribution<int> distance(0, 600);
    std::uniform_int_distribution<int> chance(0, 9);
    RoundRecord record;
    // One round every ten minutes, back from a fixed day.
    record.started = QDateTime(QDate(2026, 1, 1), QTime(9, 0)).addSecs(qint64(n) * 600);
    record.level = 1 + n % 4;
    record.rightButton = n % 3 == 0;
    record.doubleClick = n % 5 == 0;
    for (int i = 0; i < 30; ++i) {
        TargetRecord target;
        target.number = i + 1;
        target.shownAtMs = i * 1200;
        target.hitAfterMs = chance(random) == 0 ? -1 : time(random);
        target.misses = chance(random) == 0 ? 1 : 0;
        if (target.misses)
            target.penalties.append(Penalty::Miss);
        target.distance = distance(random);
        target.width = 49;
        record.score += target.hitAfterMs >= 0 ? 1 : 0;
        record.targets.append(target);
    }
    record.grade = QStringLiteral("Ч Е Т В Ё Р К У");
    return record;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("diary.sqlite"));
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));
    {
        SqliteRecords store(file, settings);
        std::mt19937 random(17);
        QElapsedTimer fill;
        fill.start();
        for (int n = 0; n < rounds; ++n)
            store.roundEnded(roundNumber(n, random));
        std::printf("diary_fill_ms=%lld\n", static_cast<long long>(fill.elapsed()));
        std::printf("diary_round_write_ms=%.2f\n", double(fill.elapsed()) / rounds);
    }

    SqliteRecords store(file, settings);
    QtDialogs dialogs;
    FirstPaint watch;
    app.installEventFilter(&watch);
    QElapsedTimer open;
    open.start();
    DiaryWindow window(store, dialogs);
    window.show();
    while (!watch.painted && open.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // The pass that painted may still hold more of the first frame.
    QCoreApplication::processEvents();
    std::printf("diary_open_ms=%lld\n", static_cast<long long>(open.elapsed()));
    std::printf("diary_rounds=%d\n", int(store.rounds(store.player()).value_or(QList<DiaryRound>()).size()));
    return watch.painted ? 0 : 1;
}
