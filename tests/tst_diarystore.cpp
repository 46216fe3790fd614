// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarystore.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

TargetRecord target(double distance, qint64 hitAfterMs, int misses = 0,
                    QList<Penalty> penalties = {}, double width = 49)
{
    return {0, 0, hitAfterMs, penalties, misses, distance, width};
}

RoundRecord round(int minute, int level = 1, QList<TargetRecord> targets = {})
{
    const QDateTime started(QDate(2026, 12, 7), QTime(10, minute));
    return {started, level, false, false, RoundEnding::Result, 0, {}, targets};
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
    QString folder = dir.filePath(QStringLiteral("data"));
    QString diary = folder + QStringLiteral("/diary.sqlite");
    QString settings = dir.filePath(QStringLiteral("settings.ini"));
    DiaryStore store{diary, settings};
};

} // namespace

class tst_DiaryStore : public QObject
{
    Q_OBJECT
private slots:
    void figuresOfARound_data();
    void figuresOfARound();
    void savedRoundsComeBackExactly();
    void failedWrite_data();
    void failedWrite();
    void damagedFileIsSetAsideAndAFreshOneBegun();
    void recordingOffWritesNothing();
};

void tst_DiaryStore::figuresOfARound_data()
{
    QTest::addColumn<QList<TargetRecord>>("targets");
    // Median time to hit, misses, penalties, throughput; -1: none.
    QTest::addColumn<QList<double>>("figures");
    using Figures = QList<double>;
    // log2(147 / 49 + 1) = 2 bits.
    QTest::newRow("two bits in half a second")
        << QList{target(147, 500)} << Figures{500.0, 0, 0, 4};
    QTest::newRow("pointer on the centre") << QList{target(0, 400)} << Figures{400.0, 0, 0, 0};
    QTest::newRow("nothing hit") << QList{target(147, -1, 4)} << Figures{-1.0, 4, 0, -1};
    QTest::newRow("off the field, no width, broken distance, hit at once")
        << QList{target(-1, 500), target(147, 500, 0, {}, 0), target(qQNaN(), 500), target(147, 0)}
        << Figures{500.0, 0, 0, -1};
    QTest::newRow("odd count, unsorted, the one off the field left out")
        << QList{target(147, 1000, 2), target(-1, 300), target(147, -1, 1, {Penalty::Miss}),
                 target(147, 500, 0, {Penalty::RightWhileLeft, Penalty::Miss})}
        << Figures{500.0, 3, 3, 3};
    QTest::newRow("even count takes the middle pair")
        << QList{target(147, 1000), target(147, 400), target(147, 600), target(147, 200)}
        << Figures{500.0, 0, 0, (2 + 5 + 10.0 / 3 + 10) / 4};
}

void tst_DiaryStore::figuresOfARound()
{
    QFETCH(QList<TargetRecord>, targets);
    QFETCH(QList<double>, figures);
    const figures::RoundFigures f = figures::ofRound(targets);
    QCOMPARE((QList<double>{f.medianTimeToHitMs.value_or(-1), double(f.misses), double(f.penalties),
                            f.throughput.value_or(-1)}),
             figures);
}

void tst_DiaryStore::savedRoundsComeBackExactly()
{
    Place place;
    const QList<Penalty> first{Penalty::RightInDoubleMode, Penalty::DoubleInSingleMode},
        second{Penalty::Miss, Penalty::RightWhileLeft, Penalty::LeftWhileRight};
    RoundRecord later = round(0, 4, {target(10, -1, 3)});
    later.started = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 5));
    later.rightButton = later.doubleClick = true;
    later.grade = QStringLiteral("Звание \" ТУПИЦА \"");
    RoundRecord early = round(15, 2, {target(147, 500, 0, first), target(343, 1500, 1, second)});
    early.ending = RoundEnding::CloseButton;
    early.score = 2;
    place.store.roundEnded(later);
    place.store.roundEnded(early);

    const QString csv = place.dir.filePath(QStringLiteral("diary.csv"));
    QVERIFY(place.store.exportCsv(csv));
    QCOMPARE(contents(csv),
             QStringLiteral("Дата и время,Уровень,Кнопка,Щелчок,Попадания из 30,Оценка,"
                            "\"Медиана времени до попадания, мс\",Промахи,Замечания,Доигран,"
                            "\"Скорость наведения, бит/с\"\r\n2026-12-08 09:00:05,Супермен,правая,"
                            "двойной,0,\"Звание \"\" ТУПИЦА \"\"\",,3,0,да,\r\n2026-12-07 10:15:00,"
                            "Бывалый,левая,одинарный,2,,1000,1,5,нет,3.00\r\n")
                 .toUtf8());
    const QList<TargetRecord> back = place.store.targets(place.store.rounds().last().id);
    QCOMPARE(back.value(0).penalties + back.value(1).penalties, first + second);
    QVERIFY(place.store.problem().isEmpty());
}

void tst_DiaryStore::failedWrite_data()
{
    // What the other game says to break the file and to mend it (none: the folder is blocked),
    // a word of the sentence for the window.
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QList<int>>("counts"); // kept for the next write, in the diary at the end
    // A plain file where the folder should be stops even root.
    QTest::newRow("folder cannot be made") << QStringList{"", "", "папку"} << QList{2, 3};
    // A round with a long grade needs pages the file may not grow.
    QTest::newRow("disk full") << QStringList{"PRAGMA max_page_count = 1",
                                              "PRAGMA max_page_count = 99999", "места"}
                               << QList{2, 4};
    // In the middle of its own write for longer than the store waits.
    QTest::newRow("busy with another game")
        << QStringList{"BEGIN EXCLUSIVE", "ROLLBACK", "занят"} << QList{2, 4};
    QTest::newRow("written by a newer version")
        << QStringList{"PRAGMA user_version = 2", "PRAGMA user_version = 1", "новой"}
        << QList{2, 4};
    // Refused again on every try, it would hold up every round after it.
    QTest::newRow("round refused") << QStringList{"CREATE TRIGGER no BEFORE INSERT ON rounds WHEN "
                                                  "length(NEW.grade) > 99 "
                                                  "BEGIN SELECT RAISE(ABORT, 'no'); END",
                                                  "", ""}
                                   << QList{0, 2};
}

void tst_DiaryStore::failedWrite()
{
    QFETCH(QStringList, said);
    QFETCH(QList<int>, counts);
    const QString &breaks = said[0], &mends = said[1];
    Place place;
    DiaryStore other(place.diary, place.settings);
    other.roundEnded(round(0));
    // The page limit holds only on the connection that sets it.
    const bool own = breaks.contains(QLatin1String("page")) && !place.store.rounds().isEmpty();
    QSqlQuery sql(QSqlDatabase::database((own ? place.store : other).connectionName()));
    QFile blocker(place.folder);
    QVERIFY(breaks.isEmpty()
                ? QDir(place.folder).removeRecursively() && blocker.open(QIODevice::WriteOnly)
                : sql.exec(breaks));
    RoundRecord big = round(1);
    big.grade = QString(20000, u'5');
    place.store.roundEnded(big);
    place.store.roundEnded(big);
    QCOMPARE(place.store.unsavedCount(), counts[0]);
    QVERIFY(place.store.problem().contains(said[2]));

    QVERIFY(breaks.isEmpty() ? blocker.remove() : mends.isEmpty() || sql.exec(mends));
    place.store.roundEnded(round(2));
    QCOMPARE(place.store.unsavedCount(), 0);
    QCOMPARE(place.store.rounds().size(), counts[1]);
    QVERIFY(place.store.problem().isEmpty());
}

void tst_DiaryStore::damagedFileIsSetAsideAndAFreshOneBegun()
{
    Place place;
    const QByteArray garbage = QByteArray("This is a letter, not a diary.\n").repeated(200);
    QFile file(place.diary);
    QVERIFY(QDir().mkpath(place.folder) && file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(garbage) == garbage.size() && file.flush());

    place.store.roundEnded(round(15));
    const QStringList aside = QDir(place.folder).entryList({"diary.sqlite.damaged-*"});
    QCOMPARE(aside.size(), 1);
    const QString asidePath = QDir(place.folder).filePath(aside.first());
    QCOMPARE(contents(asidePath), garbage);
    QCOMPARE(place.store.rounds().size(), 1);
    // The note stays after the fresh diary took the round: the parents should hear of it.
    QVERIFY(place.store.problem().contains(asidePath));
}

void tst_DiaryStore::recordingOffWritesNothing()
{
    Place place;
    place.store.setRecording(false);
    place.store.roundEnded(round(15));
    QCOMPARE(place.store.unsavedCount(), 0);
    QVERIFY(!QFile::exists(place.diary));
    // The switch is remembered for the next game.
    QVERIFY(!DiaryStore(place.diary, place.settings).isRecording());
}

QTEST_MAIN(tst_DiaryStore)
#include "tst_diarystore.moc"
