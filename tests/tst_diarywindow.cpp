// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"
#include "diarystore.h"
#include "diarywindow.h"

#include <QBarSet>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QXYSeries>

namespace {

// The window over a file of the given bytes that got rounds on days 1 to 5 at two levels. It
// answers the window's questions as the test says and counts them.
struct Diary : Dialogs
{
    QTemporaryDir dir;
    DiaryStore store{dir.filePath("diary.sqlite"), dir.filePath("settings.ini")};
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
    void play(int day, int level, const QList<qint64> &hitTimes)
    {
        const QDateTime started(QDate(2026, 12, day), QTime(10, 0));
        RoundRecord record{.started = started, .level = level, .grade = {}, .targets = {}};
        for (const qint64 time : hitTimes)
            record.targets.append({0, 0, time, {}, 0, 147, 49});
        store.roundEnded(record);
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

class tst_DiaryWindow : public QObject
{
    Q_OBJECT
private slots:
    void showsTheDiaryAndFollowsIt()
    {
        // The damaged file was set aside when the first round came: the parents should hear of it.
        Diary diary(QByteArray(8192, 'x'));
        QVERIFY(diary.store.problem().startsWith("Не удалось прочитать дневник: файл повреждён"));
        // The date axis has its labels (a chart filled while being shown had them blank).
        QStringList labels;
        for (QGraphicsItem *item : diary.window.findChild<QChartView *>("scoreChart")->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
                labels.append(text->toPlainText());
        QVERIFY(labels.contains("01.12.26"));
        // Written while the window is open: newest first, one line per level, the round's targets.
        diary.play(6, 4, {100, 0, -1});
        QCOMPARE(diary.shown(), diary.store.problem() +
                                    " 06 05 04 03 02 01 Начинающий/3 Опытный/2 Супермен/1 100 0 0");
        diary.window.findChild<QTableView *>()->selectRow(4);
        // Two bits (log2(147 / 49 + 1)) in 0.2 s and in 0.5 s.
        QVERIFY(diary.window.findChild<QLabel *>("throughput")->text().contains(" 7,0 бит/с."));
        // A round chosen by hand stays chosen when a new one comes.
        diary.play(7, 4, {});
        QVERIFY(diary.shown().endsWith("Супермен/2 200 500"));
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
        QVERIFY(diary.asked == 2 && diary.store.rounds().isEmpty());
        QCOMPARE(diary.shown(),
                 "В дневнике пока нет ни одного раунда. Сыграйте, и раунд появится здесь.");
    }
};

QTEST_MAIN(tst_DiaryWindow)
#include "tst_diarywindow.moc"
