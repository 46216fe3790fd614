// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"
#include "diarystore.h"
#include "diarywindow.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QFile>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers the window's questions as the test says and counts them.
struct FakeDialogs : Dialogs
{
    QString saveFileName(QWidget *, const QString &, const QString &) override { return fileName; }
    bool confirm(QWidget *, const QString &, const QString &) override { return ++asked, yes; }
    void tell(QWidget *, const QString &, const QString &) override { ++told; }
    QString fileName;
    bool yes = false;
    int asked = 0, told = 0;
};

RoundRecord round(int day, int level, QList<qint64> hitTimes)
{
    RoundRecord r;
    r.started = QDateTime(QDate(2026, 12, day), QTime(10, 0));
    r.level = level;
    r.score = 20 + day;
    // Each target two bits away: log2(147 / 49 + 1).
    for (const qint64 time : hitTimes)
        r.targets.append({0, 0, time, {}, 0, 147, 49});
    return r;
}

// A diary with rounds on days 1 to 5 at two levels, or a file of the given bytes, shown.
struct Diary
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("diary.sqlite"));
    DiaryStore store{path, dir.filePath(QStringLiteral("settings.ini"))};
    FakeDialogs dialogs;
    DiaryWindow window{store, dialogs};

    explicit Diary(const QByteArray &fileBytes = {})
    {
        if (QFile file(path); !fileBytes.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(fileBytes);
        for (int day = 1; day <= 5 && fileBytes.isEmpty(); ++day)
            store.roundEnded(round(day, day % 2 ? 1 : 3, {day * 100, 500}));
        window.show();
    }
    template <typename Control = QWidget> Control *control(const char *name) const
    {
        return window.findChild<Control *>(QLatin1String(name));
    }
    // The day of each row, top to bottom.
    QStringList days() const
    {
        const QAbstractItemModel *model = control<QTableView>("rounds")->model();
        QStringList days;
        for (int row = 0; row < model->rowCount(); ++row)
            days.append(model->index(row, 0).data().toString().left(2));
        return days;
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
    QStringList lines() const
    {
        QStringList lines;
        for (QAbstractSeries *series : control<QChartView>("scoreChart")->chart()->series())
            lines.append(series->name() + u' ' +
                         QString::number(static_cast<QLineSeries *>(series)->count()));
        return lines;
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
    QCOMPARE(diary.days(), QStringList({"05", "04", "03", "02", "01"}));
    QCOMPARE(diary.lines(), QStringList({"Начинающий 3", "Опытный 2"}));
    // The date axis has its labels (a chart filled while being shown had them blank).
    QStringList labels;
    for (QGraphicsItem *item : diary.control<QChartView>("scoreChart")->scene()->items()) {
        if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
            labels.append(text->toPlainText());
    }
    QVERIFY2(labels.contains(QStringLiteral("01.12.26")), qPrintable(labels.join(u'|')));
    QVERIFY(!diary.control("status")->isVisible());
}

void tst_DiaryWindow::chosenRoundShowsItsTargets()
{
    Diary diary;
    // The newest round is shown at first.
    QCOMPARE(diary.targetTimes(), QList<qreal>({500, 500}));
    auto *table = diary.control<QTableView>("rounds");
    table->selectRow(3);
    QCOMPARE(diary.targetTimes(), QList<qreal>({200, 500}));
    // Two bits in 0.2 s and in 0.5 s.
    QVERIFY2(diary.control<QLabel>("throughput")->text().contains(QStringLiteral("7,0 бит/с")),
             qPrintable(diary.control<QLabel>("throughput")->text()));
    // A round chosen by hand stays chosen when a new one comes.
    diary.store.roundEnded(round(6, 4, {}));
    QCOMPARE(table->currentIndex().row(), 4);
    QCOMPARE(diary.targetTimes(), QList<qreal>({200, 500}));
}

void tst_DiaryWindow::roundEndedWhileOpenIsShown()
{
    Diary diary;
    diary.store.roundEnded(round(6, 4, {100, 0, -1}));
    QCOMPARE(diary.days(), QStringList({"06", "05", "04", "03", "02", "01"}));
    QCOMPARE(diary.targetTimes(), QList<qreal>({100, 0, 0}));
    QCOMPARE(diary.lines().size(), 3);
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
    QCOMPARE(diary.dialogs.asked, 1);
    QCOMPARE(diary.days().size(), left);
    QCOMPARE(diary.store.rounds().size(), left);
    QCOMPARE(diary.control("status")->isVisible(), left == 0);
}

void tst_DiaryWindow::exportTellsOnlyOfFailure_data()
{
    QTest::addColumn<QString>("fileName"); // in the test's folder; empty: cancelled
    QTest::addColumn<int>("told");
    QTest::newRow("saved") << "out.csv" << 0;
    QTest::newRow("cancelled") << "" << 0;
    QTest::newRow("folder missing") << "no/such/folder.csv" << 1;
}

void tst_DiaryWindow::exportTellsOnlyOfFailure()
{
    QFETCH(QString, fileName);
    QFETCH(int, told);
    Diary diary;
    diary.dialogs.fileName = fileName.isEmpty() ? QString() : diary.dir.filePath(fileName);
    diary.control<QPushButton>("exportCsv")->click();
    QCOMPARE(QFile::exists(diary.dialogs.fileName), !fileName.isEmpty() && !told);
    QCOMPARE(diary.dialogs.told, told);
}

void tst_DiaryWindow::damagedDiaryIsExplainedInTheWindow()
{
    Diary diary(QByteArray(8192, 'x'));
    QVERIFY(diary.days().isEmpty());
    QVERIFY(diary.control("status")->isVisible());
    QCOMPARE(diary.control<QLabel>("status")->text(), diary.store.problem());
}

QTEST_MAIN(tst_DiaryWindow)
#include "tst_diarywindow.moc"
