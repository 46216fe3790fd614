// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarystore.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

TargetRecord target(double distance, qint64 hitAfterMs, int misses = 0,
                    QList<Penalty> penalties = {}, double width = 49)
{
    return {0, 0, hitAfterMs, penalties, misses, distance, width};
}

RoundRecord round(int minute, int level = 1, QList<TargetRecord> targets = {}, QString grade = {})
{
    const QDateTime started(QDate(2026, 12, 7), QTime(10, minute, 5));
    return {.started = started, .level = level, .grade = grade, .targets = targets};
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
    DiaryStore store{diary, settings};
};

// What another game says to break the file and to mend it (none: a plain file blocks the
// folder), a word of the sentence told, rounds kept for the next write and in the diary at last.
// Rounds left out (none kept) are still told after the next good write; other troubles are not.
struct Failure
{
    QString breaks{}, mends{}, word{};
    int kept = 2, saved = 4;
};

} // namespace

class tst_DiaryStore : public QObject
{
    Q_OBJECT
private slots:
    // A damaged file is set aside and a fresh diary begun, which gives the rounds back exactly,
    // newest first, with their figures worked out by hand (147 / 49 is two bits).
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
        RoundRecord later = round(45, 4, {target(10, -1, 3)}, "Звание \" ТУПИЦА \"");
        later.rightButton = later.doubleClick = true;
        RoundRecord early = round(15, 2, {target(147, 500, 0, all), target(343, 1500, 1)});
        early.ending = RoundEnding::CloseButton;
        early.score = 2;
        // Seven hits unsorted; off the field, no width, broken distance, hit at once: no speed.
        const QList seven{target(147, 1000),    target(147, 0), target(-1, 800),
                          target(qQNaN(), 900), target(0, 400), target(147, 700, 0, {}, 0),
                          target(147, 500)};
        for (const RoundRecord &record : {later, early, round(5, 1, seven)})
            place.store.roundEnded(record);
        const QString csv = place.dir.filePath("diary.csv");
        QVERIFY(place.store.exportCsv(csv));
        QCOMPARE(
            contents(csv),
            QByteArray("Дата и время,Уровень,Кнопка,Щелчок,Попадания из 30,Оценка,"
                       "\"Медиана времени до попадания, мс\",Промахи,Замечания,Доигран,"
                       "\"Скорость наведения, бит/с\"\r\n2026-12-07 10:45:05,Супермен,"
                       "правая,двойной,0,\"Звание \"\" ТУПИЦА \"\"\",,3,0,да,\r\n"
                       "2026-12-07 10:15:05,Бывалый,левая,одинарный,2,,1000,1,5,нет,3.00\r\n"
                       "2026-12-07 10:05:05,Начинающий,левая,одинарный,0,,700,0,0,да,2.00\r\n"));
        QCOMPARE(place.store.targets(place.store.rounds()[1].id).value(0).penalties, all);
        // Still told after the fresh diary took rounds: the parents should hear of it.
        const QFileInfoList aside = QDir(place.folder).entryInfoList({"diary.sqlite.damaged-*"});
        QVERIFY(aside.size() == 1 && contents(aside[0].filePath()) == garbage &&
                place.store.problem().contains(aside[0].filePath()));
    }

    void failedWrite_data()
    {
        QTest::addColumn<Failure>("failure");
        // A plain file where the folder should be stops even root.
        QTest::newRow("folder cannot be made") << Failure{.word = "папку", .saved = 3};
        // A round with a long grade needs pages the file may not grow.
        QTest::newRow("disk full")
            << Failure{"PRAGMA max_page_count = 1", "PRAGMA max_page_count = 99999", "места"};
        // In the middle of its own write for longer than the store waits.
        QTest::newRow("busy with another game") << Failure{"BEGIN EXCLUSIVE", "ROLLBACK", "занят"};
        QTest::newRow("written by a newer version")
            << Failure{"PRAGMA user_version = 2", "PRAGMA user_version = 1", "новой"};
        // Refused again on every try, it would hold up every round after it.
        QTest::newRow("round refused")
            << Failure{"CREATE TRIGGER no BEFORE INSERT ON rounds WHEN length(NEW.grade) > 99 "
                       "BEGIN SELECT RAISE(ABORT, 'no'); END",
                       "", "пропущен", 0, 2};
    }
    void failedWrite()
    {
        QFETCH(Failure, failure);
        Place place;
        DiaryStore other(place.diary, place.settings);
        other.roundEnded(round(0));
        // The page limit holds only on the connection that sets it.
        const bool own = failure.breaks.contains("page") && !place.store.rounds().isEmpty();
        QSqlQuery sql(QSqlDatabase::database((own ? place.store : other).connectionName()));
        QFile blocker(place.folder);
        QVERIFY(failure.breaks.isEmpty()
                    ? QDir(place.folder).removeRecursively() && blocker.open(QIODevice::WriteOnly)
                    : sql.exec(failure.breaks));
        for (int i = 0; i < 2; ++i)
            place.store.roundEnded(round(1, 1, {}, QString(20000, u'5')));
        QCOMPARE(place.store.unsavedCount(), failure.kept);
        QVERIFY(place.store.problem().contains(failure.word));
        QVERIFY(failure.breaks.isEmpty() ? blocker.remove()
                                         : failure.mends.isEmpty() || sql.exec(failure.mends));
        place.store.roundEnded(round(2));
        QCOMPARE(place.store.rounds().size(), failure.saved);
        QVERIFY(failure.kept ? place.store.problem().isEmpty()
                             : place.store.problem().contains(failure.word));
    }
};

QTEST_MAIN(tst_DiaryStore)
#include "tst_diarystore.moc"
