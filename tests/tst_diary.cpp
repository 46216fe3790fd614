// SPDX-License-Identifier: GPL-3.0-or-later
// The diary window, its figures and its export, over rounds kept in real SQLite files.
#include "fakes.h"
#include "fallbackrecords.h"
#include "schoolconfig.h"
#include "diarytexts.h"
#include "diarywindow.h"
#include "sqliterecords.h"

#include <QAccessible>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
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

// A table's rows as shown, top to bottom, cells between bars; or one column of them.
QStringList cells(const QTableView *table, int only = -1)
{
    const QAbstractItemModel *rows = table->model();
    QStringList shown;
    for (int row = 0; row < rows->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < rows->columnCount(); ++column)
            if (only < 0 || column == only)
                cells.append(rows->index(row, column).data().toString());
        shown.append(cells.join(" | "));
    }
    return shown;
}

bool write(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The window over a file of the given bytes that got rounds on days 1 to 5 at two levels for
// Маша, whose account it is. It answers the window's questions as the test says and notes them.
struct Diary : FakeDialogs
{
    QTemporaryDir dir;
    SqliteRecords store{dir.filePath("diary.sqlite"), dir.filePath("settings.ini"),
                        Child{"school", "Маша"}};
    DiaryWindow window{store, *this};
    explicit Diary(const QByteArray &fileBytes = {}, int days = 5)
    {
        write(dir.filePath("diary.sqlite"), fileBytes);
        for (int day = 1; day <= days; ++day)
            play(day, day % 2 ? 1 : 3, {day * 100, 500});
        window.show();
    }
    // A round of the given hits, played on a day of December or, if given, when said.
    void play(int day, int level, const QList<qint64> &hitTimes, int score = 0,
              RoundEnding ending = RoundEnding::Result, const QDateTime &started = {})
    {
        QList<TargetRecord> targets;
        for (const qint64 time : hitTimes)
            targets.append(target(147, time));
        RoundRecord record = round(0, level, targets, {}, day);
        record.started = started.isValid() ? started : record.started;
        record.score = score;
        record.ending = ending;
        record.uuid = QUuid::createUuid();
        store.roundEnded(record);
    }
    void playAgo(double hours, int level, qint64 hitTime, int score,
                 RoundEnding ending = RoundEnding::Result)
    {
        play(7, level, {hitTime}, score, ending,
             QDateTime::currentDateTime().addSecs(qint64(-hours * 3600)));
    }
    // The children in the chooser, the chosen one marked.
    QString children() const
    {
        const auto *chooser = window.findChild<QComboBox *>("child");
        QStringList names;
        for (int i = 0; i < chooser->count(); ++i)
            names.append((i == chooser->currentIndex() ? "*" : "") + chooser->itemText(i));
        return names.join(" | ");
    }
    QString player() const { return window.findChild<QLabel *>("player")->text(); }
    void clickHeader(QTableView *table, const QString &title)
    {
        QHeaderView *header = table->horizontalHeader();
        for (int section = 0; section < header->count(); ++section) {
            if (table->model()->headerData(section, Qt::Horizontal).toString() == title)
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                  QPoint(header->sectionViewportPosition(section) +
                                             header->sectionSize(section) / 2,
                                         header->height() / 2));
        }
    }
    // Keys the chooser the way a hand on the keyboard would.
    void choose(const QString &name)
    {
        auto *chooser = window.findChild<QComboBox *>("child");
        const int target = chooser->findText(name);
        QVERIFY(target >= 0);
        while (chooser->currentIndex() != target)
            QTest::keyClick(chooser, chooser->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
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
        for (const char *line : {"status", "empty"}) {
            if (const auto *label = window.findChild<QLabel *>(line); label->isVisible())
                shown.append(label->text());
        }
        for (const QString &when : cells(window.findChild<QTableView *>("rounds"), 0))
            shown.append(when.left(2));
        for (QAbstractSeries *s : window.findChild<QChartView *>("scoreChart")->chart()->series())
            shown.append(s->name() + '/' + QString::number(static_cast<QXYSeries *>(s)->count()));
        const auto *bars =
            window.findChild<QChartView *>("targetChart")->chart()->findChild<QBarSet *>();
        for (int i = 0; i < bars->count(); ++i)
            shown.append(QString::number(bars->at(i)));
        return shown.join(' ');
    }
};

// Аня got faster and her latest round ended early; Борис got slower; Вера has too few rounds
// for a trend; Маша, whose account it is, has none. Маша plays next.
void fillClass(Diary &diary)
{
    for (const QString name : {"Аня", "Борис", "Вера"})
        QVERIFY(diary.store.addChild(name).isEmpty());
    const auto playFor = [&](const QString &name, auto play) {
        diary.store.setPlayer({"school", name});
        play();
    };
    playFor("Аня", [&] {
        const QList<qint64> times{900, 900, 800, 820, 900, 810, 850, 600, 640, 700, 620, 660};
        for (int i = 0; i < times.size(); ++i) // oldest first; two are older than a week
            diary.playAgo(i < 2 ? 300 - i : 100 - i * 5, 1 + i % 2, times[i], 10 + i,
                          i == times.size() - 1 ? RoundEnding::CloseButton : RoundEnding::Result);
    });
    playFor("Борис", [&] {
        const QList<qint64> times{500, 700, 600, 800, 700, 650, 900, 950, 880, 900, 1000};
        for (int i = 0; i < times.size(); ++i)
            diary.playAgo(i < 2 ? 300 - i : 60 - i, 4, times[i], i == 10 ? 30 : i);
    });
    playFor("Вера", [&] {
        for (int i = 0; i < 3; ++i)
            diary.playAgo(50 - i, 3, 700, -2);
    });
    diary.store.setPlayer({"school", "Маша"});
}

} // namespace

class tst_Diary : public QObject
{
    Q_OBJECT
private slots:
    // A damaged file is set aside and a fresh diary begun, which gives the rounds back exactly,
    // newest first, with their figures worked out by hand.
    void roundsComeBackExactlyFromAFreshDiary()
    {
        QTemporaryDir dir; // the store's folder is not made yet
        const QString folder = dir.filePath("data"), file = folder + "/diary.sqlite",
                      settings = dir.filePath("settings.ini");
        SqliteRecords store{file, settings};
        const QByteArray garbage = QByteArray("This is a letter, not a diary.\n").repeated(200);
        QVERIFY(QDir().mkpath(folder) && write(file, garbage));
        // Not recording leaves the file alone. The switch must be on disk for the next game: in
        // this process every QSettings on the file would see it anyway.
        store.setRecording(false);
        store.roundEnded(round(0));
        QVERIFY(contents(file) == garbage && contents(settings).contains("recording=false"));
        store.setRecording(true);
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
        for (const RoundRecord &record :
             {later, early, round(5, 1, seven, "+5\t-"), round(25, 1, {}, "-2+A1")})
            store.roundEnded(record);
        const QList<DiaryRound> rounds = store.rounds(store.owner()).value();
        QCOMPARE(diarytexts::csv(rounds),
                 QByteArray("Дата и время,Уровень,Кнопка,Щелчок,Попадания из 30,"
                            "Очки (попадания минус штрафы),Оценка,"
                            "\"Медиана времени до попадания, мс\",Промахи,Замечания,Доигран,"
                            "\"Скорость наведения, бит/с\",\"Время реакции, мс\",Раунд\r\n"
                            "2026-12-07T10:45:05-03:30,Супермен,правая,двойной,0,0,"
                            "\"'=\"\"Звание \"\" & A1\",,3,0,да,,,"
                            "00000000-0000-4000-8000-000000000045\r\n"
                            "2026-12-07T10:25:05+03:00,Начинающий,левая,одинарный,0,0,'-2+A1,,0,"
                            "0,да,,,00000000-0000-4000-8000-000000000025\r\n"
                            "2026-12-07T10:15:05+03:00,Бывалый,левая,одинарный,2,-3,'@A1,1000,1,5,"
                            "нет,,,00000000-0000-4000-8000-000000000015\r\n"
                            "2026-12-07T10:05:05+03:00,Начинающий,левая,одинарный,7,0,'+5\t-,700,"
                            "0,0,да,,,00000000-0000-4000-8000-000000000005\r\n"));
        // Every target, oldest round first; no distance or width is an empty cell.
        const QList<QByteArray> targetRows = diarytexts::targetsCsv(rounds, store).value().split('\n');
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
        QCOMPARE(store.targets(store.rounds(store.owner())->at(2).id).value(0).penalties, all);
        // Still told after the fresh diary took rounds: the parents should hear of it.
        const QFileInfoList aside = QDir(folder).entryInfoList({"diary.sqlite.damaged-*"});
        QVERIFY(aside.size() == 1 && contents(aside[0].filePath()) == garbage &&
                store.problem().contains(aside[0].filePath()));
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
        auto *table = diary.window.findChild<QTableView *>("rounds");
        table->selectRow(4);
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
        table->selectRow(0);
        QVERIFY(aiming->text().startsWith(
            "Скорость наведения в этом раунде: 4,0 бит/с, время реакции: 200 мс. "));
    }

    // Two children on one account: each sees only its own rounds, and what is done to one
    // leaves the other alone. Names are kept and shown as typed, whatever they hold.
    void childrenAreKeptApart()
    {
        Diary diary;
        const QString sly = "Маша'); DROP TABLE rounds; --";
        const QString hebrew = "\u05DE\u05E8\u05D9\u05DD \u05DB\u05D4\u05DF"; // right to left
        // Refused twice, asked again with what was typed and why it was refused.
        diary.answers = {"  ", "маша ", sly};
        diary.click("addChild");
        QCOMPARE(diary.questions,
                 QStringList({"Имя ребёнка: []", "Имя не может быть пустым.\n\nИмя ребёнка: [  ]",
                              "Ребёнок с таким именем уже есть.\n\nИмя ребёнка: "
                              "[маша ]"}));
        // The new child is chosen, has nothing yet and does not play until told so.
        QCOMPARE(diary.children(), "Маша | *" + sly);
        const QString none = "У этого ребёнка пока нет ни одного раунда. Чтобы его раунды "
                             "записывались, нажмите «Теперь играет этот ребёнок».";
        QCOMPARE(diary.shown(), none);
        QCOMPARE(diary.player(), "Следующие раунды записываются для: Маша");
        diary.click("makePlayer");
        QCOMPARE(diary.player(), "Следующие раунды записываются для: " + sly);
        QVERIFY(!diary.window.findChild<QPushButton *>("makePlayer")->isEnabled());
        diary.play(9, 2, {700});
        diary.play(10, 2, {800});
        QVERIFY(diary.shown().startsWith("10 09 Бывалый/2 "));
        diary.choose("Маша");
        QVERIFY(diary.shown().startsWith("05 04 03 02 01 Начинающий/3 Опытный/2 "));
        // Saved for the child shown only; not saved when cancelled or into no folder, and told so.
        for (const QString name : {"", "no/such.csv", "out.csv"}) {
            diary.fileName = name.isEmpty() ? name : diary.dir.filePath(name);
            diary.click("exportCsv");
        }
        QCOMPARE(contents(diary.fileName).count("\r\n"), 1 + 5);
        QCOMPARE(diary.told.size(), 1);
        QCOMPARE(diary.player(), "Следующие раунды записываются для: " + sly);

        // Renamed while it plays: it still plays, under its new name.
        diary.choose(sly);
        diary.questions.clear();
        diary.answers = {"МАША", hebrew};
        diary.click("renameChild");
        QCOMPARE(diary.questions.value(1),
                 "Ребёнок с таким именем уже есть.\n\nНовое имя для «" + sly + "»: [МАША]");
        QCOMPARE(diary.children(), "Маша | *" + hebrew);
        QCOMPARE(diary.player(), "Следующие раунды записываются для: " + hebrew);
        QVERIFY(diary.shown().startsWith("10 09 "));

        // Маша cleared after asking, naming her; the child who plays keeps its rounds.
        diary.choose("Маша");
        diary.questions.clear();
        diary.click("clearDiary");
        QVERIFY(diary.shown().startsWith("05 04 03 02 01 "));
        diary.yes = true;
        diary.click("clearDiary");
        QCOMPARE(diary.shown(), none);
        QCOMPARE(diary.store.rounds({"school", hebrew})->size(), 2);
        // Removed after asking: Маша plays again, and has nothing yet.
        diary.choose(hebrew);
        diary.yes = false;
        diary.click("removeChild");
        QCOMPARE(diary.children(), "Маша | *" + hebrew);
        diary.yes = true;
        diary.click("removeChild");
        const QString clear = "Стереть все раунды ребёнка «Маша»? Вернуть их будет нельзя. "
                              "Раунды других детей останутся.",
                      remove =
                          "Удалить ребёнка «" + hebrew +
                          "» из дневника вместе со всеми его раундами? Вернуть их будет нельзя.";
        QCOMPARE(diary.questions, QStringList({clear, clear, remove, remove}));
        QCOMPARE(diary.children(), "*Маша");
        QCOMPARE(diary.player(), "Следующие раунды записываются для: Маша");
        QCOMPARE(diary.shown(),
                 "В дневнике пока нет ни одного раунда. Сыграйте, и раунд появится здесь.");
        QCOMPARE(diary.told.size(), 1);
    }

    void classViewSumsUpEachChild()
    {
        Diary diary({}, 0);
        fillClass(diary);
        QTabBar *pages = diary.window.findChild<QTabWidget *>("pages")->tabBar();
        QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(1).center());
        const QDateTime anya = diary.store.rounds({"school", "Аня"})->constFirst().started;
        const QDateTime boris = diary.store.rounds({"school", "Борис"})->constFirst().started;
        const QDateTime vera = diary.store.rounds({"school", "Вера"})->constFirst().started;
        const auto when = [](const QDateTime &t) { return t.toString("dd.MM.yyyy HH:mm"); };
        auto *table = diary.window.findChild<QTableView *>("class");
        QCOMPARE(cells(table),
                 QStringList({"Аня | 10 | " + when(anya) +
                                  " | Бывалый | 21, досрочно | 20 | ↓ 640 мс (было 820 мс), "
                                  "быстрее",
                              "Борис | 9 | " + when(boris) +
                                  " | Супермен | 30 | 30 | ↑ 900 мс (было 700 мс), медленнее",
                              "Вера | 3 | " + when(vera) + " | Опытный | -2 | -2 | —",
                              "Маша | 0 | — | — | — | — | —"}));
        const QAbstractItemModel *rows = table->model();
        QVERIFY(rows->index(0, 6).data(Qt::ForegroundRole).value<QColor>().green() > 0x60 &&
                rows->index(1, 6).data(Qt::ForegroundRole).value<QColor>().red() > 0xa0);

        // A window opened on a class starts from the class, sorted by the figures: as text, 10
        // would come before 3 and 9, and -2 before 20. Nothing to show sorts last.
        DiaryWindow second(diary.store, diary);
        second.show();
        QCOMPARE(second.findChild<QTabWidget *>("pages")->currentIndex(), 1);
        auto *sorted = second.findChild<QTableView *>("class");
        for (const auto &[column, ascending] :
             {std::pair{"Раундов\nза 7 дней", "Маша Вера Борис Аня"},
              {"Последний\nраунд", "Борис Вера Аня Маша"},
              {"Уровень\nпоследнего", "Аня Вера Борис Маша"},
              {"Очки\nпоследнего", "Вера Аня Борис Маша"},
              {"Лучшие\nочки", "Вера Аня Борис Маша"},
              {"Время до попадания\n(меньше — лучше)", "Аня Борис Вера Маша"},
              {"Ребёнок", "Аня Борис Вера Маша"},
              {"Ребёнок", "Маша Вера Борис Аня"}}) { // clicked again: descending
            diary.clickHeader(sorted, column);
            QCOMPARE(cells(sorted, 0).join(' '), QString::fromUtf8(ascending));
        }

        // Opened by a double click: Борис's diary, all eleven rounds of it.
        QVERIFY(QTest::qWaitForWindowExposed(&diary.window));
        const QPoint middle = table->visualRect(rows->index(1, 1)).center();
        QTest::mousePress(table->viewport(), Qt::LeftButton, {}, middle);
        QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, middle);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, middle);
        QCOMPARE(diary.window.findChild<QTabWidget *>("pages")->currentIndex(), 0);
        QCOMPARE(diary.children(), "Аня | *Борис | Вера | Маша");
        QCOMPARE(diary.window.findChild<QTableView *>("rounds")->model()->rowCount(), 11);
    }

    // Recording locked off by the administrator, with a comment after the value: the switch is
    // greyed, a click on it changes nothing, and one line says why; the place the rounds come
    // from is said above the pages, and what the admin's file says that was not understood below.
    void aLockedSwitchCannotBeTurned()
    {
        QTemporaryDir dir;
        FakeDialogs answers;
        const QString conf = dir.filePath("kvadrilka.conf");
        QVERIFY(
            write(conf, "[diary]\nrecording=false # off\nlock-recording=yes\nallow-guests=no\n"));
        const SchoolConfig config = SchoolConfig::load(conf);
        // The account's own switch says the opposite: the admin's lock decides.
        QVERIFY(write(dir.filePath("locked.ini"), "[diary]\nrecording=true\n"));
        SqliteRecords store(dir.filePath("locked.sqlite"),
                            dir.filePath("locked.ini"), Child{"school", "Маша"},
                            config.policy);
        FallbackRecords records(nullptr, store, false);
        records.setConfigFault(config.faultNote());
        DiaryWindow window(records, answers);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *recording = window.findChild<QCheckBox *>("recording");
        QVERIFY(!recording->isEnabled() && !recording->isChecked());
        QTest::mouseClick(recording, Qt::LeftButton, {}, QPoint(8, recording->height() / 2));
        QVERIFY(!store.isRecording() && !recording->isChecked());
        auto *lock = window.findChild<QLabel *>("recordingLock");
        QVERIFY(lock->isVisible());
        QCOMPARE(lock->text(), "Запись раундов выключена администратором компьютера.");
        QCOMPARE(window.findChild<QLabel *>("place")->text(), "Показано: Этот компьютер");
        QCOMPARE(window.findChild<QLabel *>("player")->text(), "Раунды сейчас не записываются");
        QVERIFY(!store.playAsGuest());
        QCOMPARE(window.findChild<QLabel *>("status")->text(),
                 "Ошибка в настройках администратора " + conf +
                     ": строка 4 «allow-guests=no» не понята. Действует более строгий выбор: "
                     "allow-guest=false.");
    }
};

QTEST_MAIN(tst_Diary)
#include "tst_diary.moc"
