// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"
#include "diarystore.h"
#include "diarywindow.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers the window's questions as the test says and keeps what it was told.
class FakeDialogs : public Dialogs
{
public:
    QString saveFileName(QWidget *, const QString &, const QString &) override
    {
        ++asked;
        return fileName;
    }
    bool confirm(QWidget *, const QString &, const QString &text) override
    {
        questions.append(text);
        return yes;
    }
    void tell(QWidget *, const QString &, const QString &text) override { told.append(text); }

    QString fileName;
    bool yes = false;
    int asked = 0;
    QStringList questions;
    QStringList told;
};

RoundRecord round(int day, int level, int score, QList<qint64> hitTimes = {700, -1, 300})
{
    RoundRecord r;
    r.started = QDateTime(QDate(2026, 12, day), QTime(10, 0));
    r.level = level;
    r.score = score;
    for (int i = 0; i < hitTimes.size(); ++i) {
        TargetRecord t;
        t.number = i + 1;
        t.hitAfterMs = hitTimes.at(i);
        t.distance = 147;
        t.width = 49;
        r.targets.append(t);
    }
    return r;
}

// A diary with rounds on days 1 to 5 at two levels, and its window, shown.
struct Diary
{
    QTemporaryDir dir;
    DiaryStore store{dir.filePath(QStringLiteral("diary.sqlite")),
                     dir.filePath(QStringLiteral("settings.ini"))};
    FakeDialogs dialogs;
    DiaryWindow window{store, dialogs};

    explicit Diary(bool filled = true)
    {
        if (filled) {
            for (int day = 1; day <= 5; ++day)
                store.roundEnded(round(day, day % 2 ? 1 : 3, 20 + day, {day * 100, 500}));
        }
        window.show();
    }
    template <typename Control = QWidget> Control *control(const char *name) const
    {
        return window.findChild<Control *>(QLatin1String(name));
    }
    QTableView *table() const { return control<QTableView>("rounds"); }
    QString cell(int row, int column) const
    {
        return table()->model()->index(row, column).data().toString();
    }
    QList<qreal> targetTimes() const
    {
        const auto *bars = qobject_cast<QBarSeries *>(
            control<QChartView>("targetChart")->chart()->series().first());
        QList<qreal> times;
        for (int i = 0; i < bars->barSets().first()->count(); ++i)
            times.append(bars->barSets().first()->at(i));
        return times;
    }
};

} // namespace

class tst_DiaryWindow : public QObject
{
    Q_OBJECT
private slots:
    void showsRoundsNewestFirstWithOneLinePerLevel();
    void chosenRoundShowsItsTargets();
    void roundEndedWhileOpenIsShown();
    void clearingAsksFirst_data();
    void clearingAsksFirst();
    void exportTellsOnlyOfFailure_data();
    void exportTellsOnlyOfFailure();
    void damagedDiaryIsExplainedInTheWindow();
};

void tst_DiaryWindow::showsRoundsNewestFirstWithOneLinePerLevel()
{
    Diary diary;
    QCOMPARE(diary.window.windowTitle(), QStringLiteral("Дневник"));
    QCOMPARE(diary.table()->model()->rowCount(), 5);
    QCOMPARE(diary.cell(0, 0), QStringLiteral("05.12.2026 10:00"));
    QCOMPARE(diary.cell(0, 4), QStringLiteral("25 из 30"));
    QCOMPARE(diary.cell(4, 0), QStringLiteral("01.12.2026 10:00"));
    QCOMPARE(diary.cell(4, 1), QStringLiteral("Начинающий"));

    QStringList names;
    qsizetype points = 0;
    for (QAbstractSeries *series : diary.control<QChartView>("scoreChart")->chart()->series()) {
        names.append(series->name());
        points += qobject_cast<QLineSeries *>(series)->count();
    }
    QCOMPARE(names, QStringList({"Начинающий", "Опытный"}));
    QCOMPARE(points, 5);
    // The date axis has its labels (a chart filled while being shown had them blank).
    QStringList labels;
    for (QGraphicsItem *item : diary.control<QChartView>("scoreChart")->scene()->items()) {
        if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
            labels.append(text->toPlainText());
    }
    QVERIFY2(labels.contains(QStringLiteral("01.12.26")), qPrintable(labels.join(u'|')));
    QVERIFY(!diary.control("status")->isVisible());
    QVERIFY(diary.control<QCheckBox>("recording")->isChecked());
}

void tst_DiaryWindow::chosenRoundShowsItsTargets()
{
    Diary diary;
    // The newest round is shown at first.
    QCOMPARE(diary.targetTimes(), QList<qreal>({500, 500}));
    diary.table()->selectRow(3);
    QCOMPARE(diary.targetTimes(), QList<qreal>({200, 500}));
    // Two bits in 0.2 s and in 0.5 s.
    QVERIFY2(diary.control<QLabel>("throughput")->text().contains(QStringLiteral("7,0 бит/с")),
             qPrintable(diary.control<QLabel>("throughput")->text()));
}

void tst_DiaryWindow::roundEndedWhileOpenIsShown()
{
    Diary diary;
    diary.store.roundEnded(round(6, 4, 30, {100, 0, -1}));
    QCOMPARE(diary.table()->model()->rowCount(), 6);
    QCOMPARE(diary.cell(0, 1), QStringLiteral("Супермен"));
    QCOMPARE(diary.targetTimes(), QList<qreal>({100, 0, 0}));
    QCOMPARE(diary.control<QChartView>("scoreChart")->chart()->series().size(), 3);

    // A round chosen by hand stays chosen.
    diary.table()->selectRow(2);
    diary.store.roundEnded(round(7, 4, 30));
    QCOMPARE(diary.table()->currentIndex().row(), 3);
}

void tst_DiaryWindow::clearingAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("left");
    QTest::newRow("declined") << false << 5;
    QTest::newRow("agreed") << true << 0;
}

void tst_DiaryWindow::clearingAsksFirst()
{
    QFETCH(bool, yes);
    QFETCH(int, left);
    Diary diary;
    diary.dialogs.yes = yes;
    diary.control<QPushButton>("clearDiary")->click();
    QCOMPARE(diary.dialogs.questions,
             QStringList(QStringLiteral("Стереть из дневника все раунды? Вернуть их будет "
                                        "нельзя.")));
    QCOMPARE(diary.table()->model()->rowCount(), left);
    QCOMPARE(diary.store.rounds().size(), left);
    QCOMPARE(diary.control("status")->isVisible(), left == 0);
}

void tst_DiaryWindow::exportTellsOnlyOfFailure_data()
{
    QTest::addColumn<QString>("fileName"); // in the test's folder; empty: cancelled
    QTest::addColumn<bool>("written");
    QTest::addColumn<int>("told");
    QTest::newRow("saved") << "out.csv" << true << 0;
    QTest::newRow("cancelled") << "" << false << 0;
    QTest::newRow("folder missing") << "no/such/folder.csv" << false << 1;
}

void tst_DiaryWindow::exportTellsOnlyOfFailure()
{
    QFETCH(QString, fileName);
    QFETCH(bool, written);
    QFETCH(int, told);
    Diary diary;
    const QString path = fileName.isEmpty() ? QString() : diary.dir.filePath(fileName);
    diary.dialogs.fileName = path;
    diary.control<QPushButton>("exportCsv")->click();
    QCOMPARE(diary.dialogs.asked, 1);
    QFile file(path);
    QCOMPARE(!path.isEmpty() && file.open(QIODevice::ReadOnly) && file.readAll().count("\r\n") == 6,
             written);
    QCOMPARE(diary.dialogs.told.size(), told);
    if (told)
        QCOMPARE(diary.dialogs.told.first(),
                 QStringLiteral("Не удалось сохранить дневник в файл %1. Проверьте, что папка "
                                "есть и в неё можно записывать.")
                     .arg(path));
    QVERIFY(diary.window.isVisible());
}

void tst_DiaryWindow::damagedDiaryIsExplainedInTheWindow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("diary.sqlite"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, 'x'));
    file.close();
    DiaryStore store(path, dir.filePath(QStringLiteral("settings.ini")));
    FakeDialogs dialogs;
    DiaryWindow window(store, dialogs);
    window.show();
    auto *status = window.findChild<QLabel *>(QStringLiteral("status"));
    QVERIFY(status->isVisible());
    QVERIFY2(status->text().startsWith(
                 QStringLiteral("Не удалось прочитать дневник: файл повреждён, он сохранён как ")),
             qPrintable(status->text()));
    QCOMPARE(window.findChild<QTableView *>()->model()->rowCount(), 0);
}

QTEST_MAIN(tst_DiaryWindow)
#include "tst_diarywindow.moc"
