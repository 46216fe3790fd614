// SPDX-License-Identifier: GPL-3.0-or-later
// Fills a diary in a scratch folder with 10,000 rounds of 30 targets, written through the records
// one round at a time as the game writes them, then measures the diary window from its
// construction to the end of its first paint, with a freshly made store as a new game has. Then
// the same for a class: 40 children of 250 rounds each, the window opening on the class view,
// and one child's diary opened from there.
// Prints key=value lines for run.sh; an optional argument sets the number of rounds.
#include "qtdialogs.h"
#include "diarywindow.h"
#include "sqliterecords.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// Notes the first paint of the window itself, or of the one widget it is told to watch.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            (widget ? watched == widget : static_cast<QWidget *>(watched)->isWindow()))
            painted = true;
        return false;
    }
    bool painted = false;
    QObject *widget = nullptr;
};

// Runs the event loop until the watch saw a paint; the milliseconds since the timer started.
qint64 untilPainted(FirstPaint &watch, const QElapsedTimer &timer)
{
    while (!watch.painted && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // The pass that painted may still hold more of the first frame.
    QCoreApplication::processEvents();
    return watch.painted ? timer.elapsed() : -1;
}

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

// A class of children with their rounds, written as their games would write them.
void fillClass(const QString &file, const QString &settings, int children, int rounds)
{
    std::mt19937 random(23);
    SqliteRecords store(file, settings, Child{QStringLiteral("school"), QStringLiteral("Учитель")});
    for (int c = 0; c < children; ++c) {
        const QString name = QStringLiteral("Ребёнок %1").arg(c + 1, 2, 10, QChar(u'0'));
        store.addChild(name);
        store.playAs({QStringLiteral("school"), name});
        // The newest rounds of each child in the last week, the oldest months before.
        for (int n = 0; n < rounds; ++n) {
            RoundRecord record = roundNumber(n, random);
            record.started = QDateTime::currentDateTime().addSecs(-qint64(rounds - n) * 3600 * 6);
            store.roundEnded(record);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10000;
    constexpr int classSize = 40;
    const int childRounds = std::max(1, rounds / classSize);
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
    const QString classFile = dir.filePath(QStringLiteral("class.sqlite"));
    const QString classSettings = dir.filePath(QStringLiteral("class.ini"));
    fillClass(classFile, classSettings, classSize, childRounds);

    QtDialogs dialogs;
    bool painted = true;
    {
        SqliteRecords store(file, settings);
        FirstPaint watch;
        app.installEventFilter(&watch);
        QElapsedTimer open;
        open.start();
        DiaryWindow window(store, dialogs);
        window.show();
        const qint64 ms = untilPainted(watch, open);
        painted = painted && ms >= 0;
        std::printf("diary_open_ms=%lld\n", static_cast<long long>(ms));
        std::printf("diary_rounds=%d\n",
                    int(store.rounds(store.player()).value_or(QList<DiaryRound>()).size()));
    }
    {
        SqliteRecords store(classFile, classSettings,
                            Child{QStringLiteral("school"), QStringLiteral("Учитель")});
        FirstPaint watch;
        app.installEventFilter(&watch);
        QElapsedTimer open;
        open.start();
        DiaryWindow window(store, dialogs);
        window.show();
        const qint64 classMs = untilPainted(watch, open);
        // One child out of the class, as a double click on its line opens it: until its score
        // chart, the last thing the page draws, is painted.
        const Child child{QStringLiteral("school"), QStringLiteral("Ребёнок 20")};
        FirstPaint childWatch;
        childWatch.widget =
            window.findChild<QGraphicsView *>(QStringLiteral("scoreChart"))->viewport();
        app.installEventFilter(&childWatch);
        QElapsedTimer choose;
        choose.start();
        window.showChild(child);
        const qint64 childMs = untilPainted(childWatch, choose);
        painted = painted && classMs >= 0 && childMs >= 0;
        std::printf("class_open_ms=%lld\n", static_cast<long long>(classMs));
        std::printf("class_children=%d\n", int(store.children().value_or(QList<Child>()).size()));
        std::printf("class_child_open_ms=%lld\n", static_cast<long long>(childMs));
        std::printf("class_child_rounds=%d\n",
                    int(store.rounds(child).value_or(QList<DiaryRound>()).size()));
    }
    return painted ? 0 : 1;
}
