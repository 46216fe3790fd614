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

// Each target two bits away: log2(147 / 49 + 1).
RoundRecord round(int day, int level, const QList<qint64> &hitTimes)
{
    QList<TargetRecord> targets;
    for (const qint64 time : hitTimes)
        targets.append({0, 0, time, {}, 0, 147, 49});
    return {QDateTime(QDate(2026, 12, day), QTime(10, 0)),
            level,
            false,
            false,
            RoundEnding::Result,
            0,
            {},
            targets};
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
    // The day of each row top to bottom, the series of the score chart, the bars of the round.
    QStringList shown() const
    {
        const QAbstractItemModel *model = control<QTableView>("rounds")->model();
        QStringList shown;
        for (int row = 0; row < model->rowCount(); ++row)
            shown.append(model->index(row, 0).data().toString().left(2));
        for (QAbstractSeries *series : control<QChartView>("scoreChart")->chart()->series())
            shown.append(series->name() + u'/' +
                         QString::number(static_cast<QLineSeries *>(series)->count()));
        const auto *bars = static_cast<QBarSeries *>(
            control<QChartView>("targetChart")->chart()->series().first());
        for (const QBarSet *set : bars->barSets())
            for (int i = 0; i < set->count(); ++i)
                shown.append(QString::number(set->at(i)));
        return shown;
    }
};

} // namespace

class tst_DiaryWindow : public QObject
{
    Q_OBJECT
private slots:
    void showsTheDiaryAndFollowsIt();
    void buttons_data();
    void buttons();
    void damagedDiaryIsExplainedInTheWindow();
};

void tst_DiaryWindow::showsTheDiaryAndFollowsIt()
{
    Diary diary;
    // Newest first, one series per level, the newest round's targets.
    QCOMPARE(diary.shown().join(u' '), "05 04 03 02 01 Начинающий/3 Опытный/2 500 500");
    // The date axis has its labels (a chart filled while being shown had them blank).
    QStringList labels;
    for (QGraphicsItem *item : diary.control<QChartView>("scoreChart")->scene()->items())
        if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
            labels.append(text->toPlainText());
    QVERIFY(labels.contains(QStringLiteral("01.12.26")));

    diary.store.roundEnded(round(6, 4, {100, 0, -1}));
    QCOMPARE(diary.shown().join(u' '),
             "06 05 04 03 02 01 Начинающий/3 Опытный/2 Супермен/1 100 0 0");
    auto *table = diary.control<QTableView>("rounds");
    table->selectRow(4);
    QCOMPARE(diary.shown().mid(9), QStringList({"200", "500"}));
    // Two bits in 0.2 s and in 0.5 s.
    QVERIFY(diary.control<QLabel>("throughput")->text().contains(QStringLiteral("7,0 бит/с")));
    // A round chosen by hand stays chosen when a new one comes.
    diary.store.roundEnded(round(7, 4, {}));
    QCOMPARE(table->currentIndex().row(), 5);
    QCOMPARE(diary.shown().mid(10), QStringList({"200", "500"}));
}

void tst_DiaryWindow::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("fileName"); // in the test's folder; empty: cancelled
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("told");
    QTest::addColumn<int>("left"); // rounds in the table and the diary
    QTest::newRow("clear declined") << "clearDiary" << false << "" << 1 << 0 << 5;
    QTest::newRow("clear agreed") << "clearDiary" << true << "" << 1 << 0 << 0;
    QTest::newRow("export saved") << "exportCsv" << false << "out.csv" << 0 << 0 << 5;
    QTest::newRow("export cancelled") << "exportCsv" << false << "" << 0 << 0 << 5;
    QTest::newRow("export to no folder") << "exportCsv" << false << "no/such.csv" << 0 << 1 << 5;
}

void tst_DiaryWindow::buttons()
{
    QFETCH(QString, button);
    QFETCH(bool, yes);
    QFETCH(QString, fileName);
    QFETCH(int, asked);
    QFETCH(int, told);
    QFETCH(int, left);
    Diary diary;
    diary.dialogs.yes = yes;
    diary.dialogs.fileName = fileName.isEmpty() ? QString() : diary.dir.filePath(fileName);
    diary.control<QPushButton>(qPrintable(button))->click();
    QCOMPARE(diary.dialogs.asked, asked);
    QCOMPARE(diary.dialogs.told, told);
    QCOMPARE(QFile::exists(diary.dialogs.fileName), !fileName.isEmpty() && !told);
    QCOMPARE(diary.control<QTableView>("rounds")->model()->rowCount(), left);
    QCOMPARE(diary.store.rounds().size(), left);
    QCOMPARE(diary.control("status")->isVisible(), left == 0);
}

void tst_DiaryWindow::damagedDiaryIsExplainedInTheWindow()
{
    Diary diary(QByteArray(8192, 'x'));
    QCOMPARE(diary.control<QTableView>("rounds")->model()->rowCount(), 0);
    QVERIFY(diary.control("status")->isVisible());
    QCOMPARE(diary.control<QLabel>("status")->text(), diary.store.problem());
}

QTEST_MAIN(tst_DiaryWindow)
#include "tst_diarywindow.moc"
