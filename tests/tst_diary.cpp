// SPDX-License-Identifier: GPL-3.0-or-later
// The diary window, its figures and its export, over rounds kept in real SQLite files.
#include "dialogs.h"
#include "diarytexts.h"
#include "diarywindow.h"
#include "sqliterecords.h"

#include <QAccessible>
#include <QBarSet>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QValueAxis>
#include <QXYSeries>

namespace {

TargetRecord target(double distance, qint64 hitAfterMs, int misses = 0,
                    QList<Penalty> penalties = {}, double width = 49)
{
    return {0, 0, hitAfterMs, penalties, misses, distance, width};
}

// Played at UTC+3 unless said otherwise, the round's UUID ends in its minute.
RoundRecord round(int minute, int level = 1, QList<TargetRecord> targets = {}, QString grade = {},
                  int day = 7, int utcOffsetS = 3 * 3600)
{
    const QDateTime started(QDate(2026, 12, day), QTime(10, minute, 5), QTimeZone(utcOffsetS));
    return {.started = started,
            .level = level,
            .grade = grade,
            .targets = targets,
            .uuid = QUuid(QStringLiteral("00000000-0000-4000-8000-0000000000%1")
                              .arg(minute, 2, 10, QChar(u'0')))};
}

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store on a folder not made yet.
struct Place
{
    QTemporaryDir dir;
    QString folder = dir.filePath("data"), diary = folder + "/diary.sqlite",
            settings = dir.filePath("settings.ini");
    SqliteRecords store{diary, settings};
};

// The window over a file of the given bytes that got rounds on days 1 to 5 at two levels. It
// answers the window's questions as the test says and counts them.
struct Diary : Dialogs
{
    QTemporaryDir dir;
    SqliteRecords store{dir.filePath("diary.sqlite"), dir.filePath("settings.ini")};
    DiaryWindow window{store, *this};
    QString fileName;
    bool yes = false;
    int asked = 0, told = 0;
    explicit Diary(const QByteArray &fileBytes = {})
    {
        if (QFile file(dir.filePath("diary.sqlite")); file.open(QIODevice::WriteOnly))
            file.write(fileBytes);
        for (int day = 1; day <= 5; ++day)
            play(day, day % 2 ? 1 : 3, {day * 100, 500});
        window.show();
    }
    QString saveFileName(QWidget *, const QString &, const QString &) override { return fileName; }
    bool confirm(QWidget *, const QString &, const QString &) override { return ++asked, yes; }
    void tell(QWidget *, const QString &, const QString &) override { ++told; }
    void play(int day, int level, const QList<qint64> &hitTimes, int score = 0,
              RoundEnding ending = RoundEnding::Result)
    {
        QList<TargetRecord> targets;
        for (const qint64 time : hitTimes)
            targets.append(target(147, time));
        RoundRecord record = round(0, level, targets, {}, day);
        record.score = score;
        record.ending = ending;
        record.uuid = QUuid::createUuid();
        store.roundEnded(record);
    }
    // What a screen reader is told of a chart.
    QString said(const char *chart) const
    {
        QAccessibleInterface *view =
            QAccessible::queryAccessibleInterface(window.findChild<QChartView *>(chart));
        return view->text(QAccessible::Name) + ": " + view->text(QAccessible::Description);
    }
    void click(const char *n) { QTest::mouseClick(window.findChild<QWidget *>(n), Qt::LeftButton); }
    // The status line when it shows, the day of each row top to bottom, the score chart's lines
    // with their points and the bars of the chosen round.
    QString shown() const
    {
        QStringList shown;
        if (const auto *status = window.findChild<QLabel *>("status"); status->isVisible())
            shown.append(status->text());
        const QAbstractItemModel *rounds = window.findChild<QTableView *>()->model();
        for (int row = 0; row < rounds->rowCount(); ++row)
            shown.append(rounds->index(row, 0).data().toString().left(2));
        for (QAbstractSeries *s : window.findChild<QChartView *>("scoreChart")->chart()->series())
            shown.append(s->name() + '/' + QString::number(static_cast<QXYSeries *>(s)->count()));
        const auto *bars =
            window.findChild<QChartView *>("targetChart")->chart()->findChild<QBarSet *>();
        for (int i = 0; i < bars->count(); ++i)
            shown.append(QString::number(bars->at(i)));
        return shown.join(' ');
    }
};

} // namespace

class tst_Diary : public QObject
{
    Q_OBJECT
private slots:
    // A damaged file is set aside and a fresh diary begun, which gives the rounds back exactly,
    // newest first, with their figures worked out by hand.
    void roundsComeBackExactlyFromAFreshDiary()
    {
        Place place;
        const QByteArray garbage = QByteArray("This is a letter, not a diary.\n").repeated(200);
        QFile file(place.diary);
        QVERIFY(QDir().mkpath(place.folder) && file.open(QIODevice::WriteOnly) &&
                file.write(garbage) == garbage.size() && file.flush());
        // Not recording leaves the file alone. The switch must be on disk for the next game: in
        // this process every QSettings on the file would see it anyway.
        place.store.setRecording(false);
        place.store.roundEnded(round(0));
        QVERIFY(contents(place.diary) == garbage &&
                contents(place.settings).contains("recording=false"));
        place.store.setRecording(true);
        const QList<Penalty> all{Penalty::RightInDoubleMode, Penalty::DoubleInSingleMode,
                                 Penalty::Miss, Penalty::RightWhileLeft, Penalty::LeftWhileRight};
        // Texts a spreadsheet would run as formulas; a negative score is a number, not one.
        RoundRecord later =
            round(45, 4, {target(10, -1, 3)}, "=\"Звание \" & A1", 7, -(3 * 3600 + 1800));
        later.rightButton = later.doubleClick = true;
        TargetRecord measured = target(343, 1500, 1);
        measured.start = QPointF(1.2, 2);
        measured.centre = QPointF(344.5, 2);
        measured.click = QPointF(-3, 4.5);
        measured.movedAfterMs = 250;
        RoundRecord early = round(15, 2, {target(147, 500, 0, all), measured}, "@A1");
        early.ending = RoundEnding::CloseButton;
        early.score = -3;
        // Seven hits unsorted; off the field, no width, broken distance, hit at once: no speed.
        const QList seven{target(147, 1000),    target(147, 0), target(-1, 800),
                          target(qQNaN(), 900), target(0, 400), target(147, 700, 0, {}, 0),
                          target(147, 500)};
        for (const RoundRecord &record : {later, early, round(5, 1, seven, "+5\t-")})
            place.store.roundEnded(record);
        const QList<DiaryRound> rounds = place.store.rounds(place.store.owner()).value();
        QCOMPARE(diarytexts::csv(rounds),
                 QByteArray("Дата и время,Уровень,Кнопка,Щелчок,Попадания из 30,"
                            "Очки (попадания минус штрафы),Оценка,"
                            "\"Медиана времени до попадания, мс\",Промахи,Замечания,Доигран,"
                            "\"Скорость наведения, бит/с\",\"Время реакции, мс\",Раунд\r\n"
                            "2026-12-07T10:45:05-03:30,Супермен,правая,двойной,0,0,"
                            "\"'=\"\"Звание \"\" & A1\",,3,0,да,,,"
                            "00000000-0000-4000-8000-000000000045\r\n"
                            "2026-12-07T10:15:05+03:00,Бывалый,левая,одинарный,2,-3,'@A1,1000,1,5,"
                            "нет,,,00000000-0000-4000-8000-000000000015\r\n"
                            "2026-12-07T10:05:05+03:00,Начинающий,левая,одинарный,7,0,'+5\t-,700,"
                            "0,0,да,,,00000000-0000-4000-8000-000000000005\r\n"));
        // Every target, oldest round first; no distance or width is an empty cell.
        const QList<QByteArray> targetRows =
            diarytexts::targetsCsv(rounds, place.store).split('\n');
        QCOMPARE(targetRows.size(), 1 + 7 + 2 + 1 + 1);
        QCOMPARE(targetRows.mid(6, 4).join('\n'),
                 "00000000-0000-4000-8000-000000000005,2026-12-07T10:05:05+03:00,Начинающий,0,0,"
                 "700,0,0,147.0,,,,,,,,\r\n"
                 "00000000-0000-4000-8000-000000000005,2026-12-07T10:05:05+03:00,Начинающий,0,0,"
                 "500,0,0,147.0,49.0,,,,,,,\r\n"
                 "00000000-0000-4000-8000-000000000015,2026-12-07T10:15:05+03:00,Бывалый,0,0,500,0,"
                 "5,147.0,49.0,,,,,,,\r\n"
                 "00000000-0000-4000-8000-000000000015,2026-12-07T10:15:05+03:00,Бывалый,0,0,1500,"
                 "1,0,343.0,49.0,1.2,2.0,344.5,2.0,-3.0,4.5,250\r");
        QCOMPARE(place.store.targets(place.store.rounds(place.store.owner())->at(1).id)
                     .value(0)
                     .penalties,
                 all);
        // Still told after the fresh diary took rounds: the parents should hear of it.
        const QFileInfoList aside = QDir(place.folder).entryInfoList({"diary.sqlite.damaged-*"});
        QVERIFY(aside.size() == 1 && contents(aside[0].filePath()) == garbage &&
                place.store.problem().contains(aside[0].filePath()));
    }

    void showsTheDiaryAndFollowsIt()
    {
        // The damaged file was set aside when the first round came: the parents should hear of it.
        Diary diary(QByteArray(8192, 'x'));
        QVERIFY(diary.store.problem().startsWith("Не удалось прочитать дневник: файл повреждён"));
        // Written while the window is open: newest first, one line per level, the round's targets.
        diary.play(6, 4, {100, 0, -1}, 2);
        QCOMPARE(diary.shown(), diary.store.problem() +
                                    " 06 05 04 03 02 01 Начинающий/3 Опытный/2 Супермен/1 100 0 0");
        diary.window.findChild<QTableView *>()->selectRow(4);
        // Two hits, and no starts or first moves kept: no speed of aiming.
        const auto *aiming = diary.window.findChild<QLabel *>("throughput");
        QVERIFY(aiming->text().startsWith("Скорость наведения в этом раунде: —. "));
        QCOMPARE(diary.said("targetChart"),
                 "Время до попадания по квадратикам: Раунд 02.12.2026 10:00: поймано 2 из 30 "
                 "квадратиков, быстрее всего за 200 мс, дольше всего за 500 мс.");
        // A round chosen by hand stays chosen when a new one comes. One ended early, below zero,
        // is a point of its own, in view.
        diary.play(7, 4, {});
        diary.play(8, 2, {300}, -4, RoundEnding::CloseButton);
        QVERIFY(diary.shown().endsWith("Супермен/2 досрочно/1 200 500"));
        const auto *chart = diary.window.findChild<QChartView *>("scoreChart");
        QVERIFY(static_cast<QValueAxis *>(chart->chart()->axes(Qt::Vertical).value(0))->min() <=
                -4);
        QCOMPARE(diary.said("scoreChart"),
                 "Очки по раундам: Последний раунд, 08.12.2026: -4 очка, попаданий 1 из 30. "
                 "Лучший доигранный раунд: 2 очка, 06.12.2026.");
        QCOMPARE(chart->viewport()->focusPolicy(), Qt::NoFocus);
        // Many rounds at the default size: every column in view, no sideways scrolling.
        for (int day = 9; day < 60; ++day)
            diary.play(day % 28 + 1, day % 4 + 1, {1234, 2345, -1}, -10);
        QVERIFY(QTest::qWaitForWindowExposed(&diary.window));
        const auto *table = diary.window.findChild<QTableView *>();
        QVERIFY(table->verticalScrollBar()->isVisible());
        QVERIFY(table->horizontalHeader()->length() <= table->viewport()->width());
        // Five hits 100 px from the start, in 1 s after a move at 200 ms: log2(100 / 6.535 + 1).
        QList<TargetRecord> targets;
        for (const QPointF click : {QPointF(-2, 0), {-1, 0}, {0, 0}, {1, 9}, {2, -9}}) {
            targets.append(target(100, 1200));
            targets.last().start = QPointF(0, 0);
            targets.last().centre = QPointF(100, 0);
            targets.last().click = click;
            targets.last().movedAfterMs = 200;
        }
        diary.store.roundEnded(round(0, 1, targets, {}, 29));
        diary.window.findChild<QTableView *>()->selectRow(0);
        QVERIFY(aiming->text().startsWith(
            "Скорость наведения в этом раунде: 4,0 бит/с, время реакции: 200 мс. "));
    }

    void buttonsAskAndTell()
    {
        Diary diary;
        for (const QString name : {"", "no/such.csv", "out.csv"}) { // cancelled, no folder, saved
            diary.fileName = name.isEmpty() ? name : diary.dir.filePath(name);
            diary.click("exportCsv");
        }
        QVERIFY(QFile::exists(diary.fileName) && diary.told == 1);
        diary.click("clearDiary");
        QVERIFY(diary.shown().startsWith("05 04 03 02 01"));
        diary.yes = true;
        diary.click("clearDiary");
        QVERIFY(diary.asked == 2 && diary.store.rounds(diary.store.owner())->isEmpty());
        QCOMPARE(diary.shown(),
                 "В дневнике пока нет ни одного раунда. Сыграйте, и раунд появится здесь.");
    }
};

QTEST_MAIN(tst_Diary)
#include "tst_diary.moc"
