// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarystore.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

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

// A diary file and a settings file in a fresh folder.
struct Place
{
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("data"));
    QString diary = folder + QStringLiteral("/diary.sqlite");
    QString settings = dir.filePath(QStringLiteral("settings.ini"));
};

enum class Breakage { NoFolder, FullDisk, Busy, Newer };

} // namespace

class tst_DiaryStore : public QObject
{
    Q_OBJECT
private slots:
    void figuresOfARound_data();
    void figuresOfARound();
    void savedRoundsComeBackExactly();
    void failedWriteKeepsTheRoundsForTheNextOne_data();
    void failedWriteKeepsTheRoundsForTheNextOne();
    void damagedFileIsSetAsideAndAFreshOneBegun();
    void refusedRoundDoesNotHoldUpTheOthers();
    void recordingOffWritesNothing();
};

void tst_DiaryStore::figuresOfARound_data()
{
    QTest::addColumn<QList<TargetRecord>>("targets");
    QTest::addColumn<double>("median");
    QTest::addColumn<int>("misses");
    QTest::addColumn<int>("penalties");
    QTest::addColumn<double>("throughput");
    const double none = -1;
    // log2(147 / 49 + 1) = 2 bits.
    QTest::newRow("two bits in half a second") << QList{target(147, 500)} << 500.0 << 0 << 0 << 4.0;
    QTest::newRow("pointer on the centre") << QList{target(0, 400)} << 400.0 << 0 << 0 << 0.0;
    QTest::newRow("nothing hit") << QList{target(147, -1, 4)} << none << 4 << 0 << none;
    QTest::newRow("off the field, no width, broken distance, hit at once")
        << QList{target(-1, 500), target(147, 500, 0, {}, 0), target(std::nan(""), 500),
                 target(147, 0)}
        << 500.0 << 0 << 0 << none;
    QTest::newRow("odd count, unsorted, the one off the field left out")
        << QList{target(147, 1000, 2), target(-1, 300), target(147, -1, 1, {Penalty::Miss}),
                 target(147, 500, 0, {Penalty::RightWhileLeft, Penalty::Miss})}
        << 500.0 << 3 << 3 << 3.0;
    QTest::newRow("even count takes the middle pair")
        << QList{target(147, 1000), target(147, 400), target(147, 600), target(147, 200)} << 500.0
        << 0 << 0 << (2.0 + 5.0 + 10.0 / 3 + 10.0) / 4;
}

void tst_DiaryStore::figuresOfARound()
{
    QFETCH(QList<TargetRecord>, targets);
    QFETCH(double, median);
    QFETCH(int, misses);
    QFETCH(int, penalties);
    QFETCH(double, throughput);
    const figures::RoundFigures round = figures::ofRound(targets);
    QCOMPARE(round.medianTimeToHitMs.value_or(-1), median);
    QCOMPARE(round.misses, misses);
    QCOMPARE(round.penalties, penalties);
    QCOMPARE(round.throughput.value_or(-1), throughput);
}

void tst_DiaryStore::savedRoundsComeBackExactly()
{
    Place place;
    DiaryStore store(place.diary, place.settings);
    RoundRecord later = round(0, 4, {target(10, -1, 3)});
    later.started = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 5));
    later.rightButton = later.doubleClick = true;
    later.grade = QStringLiteral("Звание \" ТУПИЦА \"");
    RoundRecord early = round(
        15, 2,
        {target(147, 500, 0, {Penalty::RightInDoubleMode, Penalty::DoubleInSingleMode}),
         target(343, 1500, 1, {Penalty::Miss, Penalty::RightWhileLeft, Penalty::LeftWhileRight})});
    early.ending = RoundEnding::CloseButton;
    early.score = 2;
    // Written first, listed first: the order is by the time the round started.
    store.roundEnded(later);
    store.roundEnded(early);

    const QString csv = place.dir.filePath(QStringLiteral("diary.csv"));
    QVERIFY(store.exportCsv(csv));
    QCOMPARE(contents(csv),
             QStringLiteral(
                 "Дата и время,Уровень,Кнопка,Щелчок,Попадания из 30,Оценка,"
                 "\"Медиана времени до попадания, мс\",Промахи,Замечания,Доигран,"
                 "\"Скорость наведения, бит/с\"\r\n"
                 "2026-12-08 09:00:05,Супермен,правая,двойной,0,\"Звание \"\" ТУПИЦА \"\"\",,3,0,"
                 "да,\r\n"
                 "2026-12-07 10:15:00,Бывалый,левая,одинарный,2,,1000,1,5,нет,3.00\r\n")
                 .toUtf8());
    const QList<TargetRecord> back = store.targets(store.rounds().last().id);
    QCOMPARE(back.value(0).penalties + back.value(1).penalties,
             early.targets.first().penalties + early.targets.last().penalties);
    QVERIFY(store.problem().isEmpty());
}

void tst_DiaryStore::failedWriteKeepsTheRoundsForTheNextOne_data()
{
    QTest::addColumn<Breakage>("breakage");
    QTest::addColumn<QString>("word"); // in the sentence for the window
    QTest::addColumn<int>("total");    // rounds in the diary at the end
    QTest::newRow("folder cannot be made") << Breakage::NoFolder << "папку" << 3;
    QTest::newRow("disk full") << Breakage::FullDisk << "места" << 4;
    QTest::newRow("busy with another game") << Breakage::Busy << "занят" << 4;
    QTest::newRow("written by a newer version") << Breakage::Newer << "новой" << 4;
}

void tst_DiaryStore::failedWriteKeepsTheRoundsForTheNextOne()
{
    QFETCH(Breakage, breakage);
    QFETCH(QString, word);
    QFETCH(int, total);
    Place place;
    DiaryStore store(place.diary, place.settings);
    // Another game on the same file.
    DiaryStore other(place.diary, place.settings);
    other.roundEnded(round(0));
    QSqlQuery theirs(QSqlDatabase::database(other.connectionName()));
    auto set = [&](bool broken) {
        if (breakage == Breakage::NoFolder) {
            // A plain file where the folder should be stops even root.
            QFile blocker(place.folder);
            QVERIFY(broken ? QDir(place.folder).removeRecursively() &&
                                 blocker.open(QIODevice::WriteOnly)
                           : blocker.remove());
        } else if (breakage == Breakage::FullDisk) {
            // The file may not grow past its pages; a round with a long grade needs new ones.
            store.rounds();
            QSqlQuery(QSqlDatabase::database(store.connectionName()))
                .exec(QStringLiteral("PRAGMA max_page_count = %1").arg(broken ? 1 : 1000000));
        } else {
            // Busy: in the middle of its own write for longer than the store waits.
            QVERIFY(theirs.exec(breakage == Breakage::Busy
                                    ? QLatin1String(broken ? "BEGIN EXCLUSIVE" : "ROLLBACK")
                                    : QStringLiteral("PRAGMA user_version = %1").arg(1 + broken)));
        }
    };
    set(true);
    RoundRecord big = round(1);
    big.grade = QString(20000, u'5');
    store.roundEnded(big);
    store.roundEnded(big);
    QCOMPARE(store.unsavedCount(), 2);
    QVERIFY2(store.problem().contains(word), qPrintable(store.problem()));

    set(false);
    store.roundEnded(round(2));
    QCOMPARE(store.unsavedCount(), 0);
    QCOMPARE(store.rounds().size(), total);
    QVERIFY(store.problem().isEmpty());
}

void tst_DiaryStore::damagedFileIsSetAsideAndAFreshOneBegun()
{
    Place place;
    const QByteArray garbage = QByteArray("This is a letter, not a diary.\n").repeated(200);
    QFile file(place.diary);
    QVERIFY(QDir().mkpath(place.folder) && file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(garbage), garbage.size());
    file.close();

    DiaryStore store(place.diary, place.settings);
    store.roundEnded(round(15));
    const QStringList aside = QDir(place.folder).entryList({"diary.sqlite.damaged-*"});
    QCOMPARE(aside.size(), 1);
    const QString asidePath = QDir(place.folder).filePath(aside.first());
    QCOMPARE(contents(asidePath), garbage);
    QCOMPARE(store.rounds().size(), 1);
    // The note stays after the fresh diary took the round: the parents should hear of it.
    QVERIFY2(store.problem().contains(asidePath), qPrintable(store.problem()));
}

void tst_DiaryStore::refusedRoundDoesNotHoldUpTheOthers()
{
    Place place;
    DiaryStore store(place.diary, place.settings);
    store.roundEnded(round(15));
    QSqlQuery(QSqlDatabase::database(store.connectionName()))
        .exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON rounds WHEN NEW.level = 9 "
                             "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    store.roundEnded(round(16, 9));
    store.roundEnded(round(17, 2));
    QCOMPARE(store.rounds().size(), 2);
    QCOMPARE(store.unsavedCount(), 0);
}

void tst_DiaryStore::recordingOffWritesNothing()
{
    Place place;
    {
        DiaryStore store(place.diary, place.settings);
        store.setRecording(false);
        store.roundEnded(round(15));
        QCOMPARE(store.unsavedCount(), 0);
    }
    QVERIFY(!QFile::exists(place.diary));
    // The switch is remembered for the next game.
    QVERIFY(!DiaryStore(place.diary, place.settings).isRecording());
}

QTEST_MAIN(tst_DiaryStore)
#include "tst_diarystore.moc"
