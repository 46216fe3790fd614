// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarystore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

TargetRecord target(int number, double distance, qint64 hitAfterMs, int misses = 0,
                    QList<Penalty> penalties = {})
{
    TargetRecord t;
    t.number = number;
    t.shownAtMs = number * 1000;
    t.distance = distance;
    t.width = 49;
    t.hitAfterMs = hitAfterMs;
    t.misses = misses;
    t.penalties = penalties;
    return t;
}

RoundRecord round(const QString &started, int level = 1, QList<TargetRecord> targets = {})
{
    RoundRecord r;
    r.started = QDateTime::fromString(started, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    r.level = level;
    r.targets = targets;
    return r;
}

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Catches what the store writes on standard error while it lives.
class StderrCapture
{
public:
    StderrCapture() : m_saved(dup(STDERR_FILENO))
    {
        m_file = std::tmpfile();
        std::fflush(stderr);
        dup2(fileno(m_file), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        std::fclose(m_file);
    }
    QStringList lines()
    {
        restore();
        std::rewind(m_file);
        QByteArray all;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
            all.append(buffer, qsizetype(n));
        return QString::fromLocal8Bit(all).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    int m_saved;
    std::FILE *m_file;
};

// A diary file and a settings file in a fresh folder.
struct Place
{
    QTemporaryDir dir;
    QString diary = dir.filePath(QStringLiteral("data/diary.sqlite"));
    QString settings = dir.filePath(QStringLiteral("settings.ini"));
};

} // namespace

class tst_DiaryStore : public QObject
{
    Q_OBJECT
private slots:
    void roundsAreReadBackNewestFirstWithTheirFigures();
    void fileIsOpenedOnFirstUseOnly();
    void unwritableFolderKeepsRoundsAndSaysSoOnce();
    void damagedFileIsSetAsideAndAFreshOneBegun_data();
    void damagedFileIsSetAsideAndAFreshOneBegun();
    void newerDiaryIsLeftAsItIs();
    void fullDiskKeepsTheRoundForTheNextWrite();
    void busyDiaryKeepsTheRoundForTheNextWrite();
    void refusedRoundDoesNotHoldUpTheOthers();
    void recordingOffWritesNothing();
    void csvIsExact();
};

void tst_DiaryStore::roundsAreReadBackNewestFirstWithTheirFigures()
{
    Place place;
    DiaryStore store(place.diary, place.settings);
    QSignalSpy changed(&store, &DiaryStore::changed);
    RoundRecord newer = round(QStringLiteral("2026-12-07 10:15:00"), 3,
                              {target(1, 147, 500, 2, {Penalty::Miss, Penalty::RightWhileLeft}),
                               target(2, -1, -1, 1, {Penalty::DoubleInSingleMode})});
    newer.rightButton = true;
    newer.ending = RoundEnding::CloseButton;
    newer.score = 1;
    // Written first, shown first: the order is by the time the round started.
    store.roundEnded(newer);
    store.roundEnded(round(QStringLiteral("2026-12-06 18:00:00")));
    QCOMPARE(changed.count(), 2);

    const QList<DiaryRound> rounds = store.rounds();
    QCOMPARE(rounds.size(), 2);
    const DiaryRound &first = rounds.first();
    QCOMPARE(first.started, newer.started);
    QCOMPARE(first.started.toString(QStringLiteral("HH:mm")), QStringLiteral("10:15"));
    QCOMPARE(rounds.last().started.date(), QDate(2026, 12, 6));
    QCOMPARE(first.level, 3);
    QVERIFY(first.rightButton);
    QCOMPARE(first.ending, RoundEnding::CloseButton);
    QCOMPARE(first.score, 1);
    QCOMPARE(first.figures.medianTimeToHitMs, std::optional<double>(500));
    QCOMPARE(first.figures.throughput, std::optional<double>(4)); // 2 bits in 0.5 s
    QCOMPARE(first.figures.misses, 3);
    QCOMPARE(first.figures.penalties, 3);
    QVERIFY(!rounds.last().figures.throughput);

    const QList<TargetRecord> targets = store.targets(first.id);
    QCOMPARE(targets.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const TargetRecord &have = targets.at(i);
        const TargetRecord &want = newer.targets.at(i);
        QCOMPARE(have.number, want.number);
        QCOMPARE(have.shownAtMs, want.shownAtMs);
        QCOMPARE(have.hitAfterMs, want.hitAfterMs);
        QCOMPARE(have.penalties, want.penalties);
        QCOMPARE(have.misses, want.misses);
        QCOMPARE(have.distance, want.distance);
        QCOMPARE(have.width, want.width);
    }
    QVERIFY(store.problem().isEmpty());
}

void tst_DiaryStore::fileIsOpenedOnFirstUseOnly()
{
    Place place;
    {
        DiaryStore store(place.diary, place.settings);
        QVERIFY(!QFile::exists(place.diary));
        QVERIFY(store.rounds().isEmpty());
        QVERIFY(QFile::exists(place.diary));
    }
    // Each store had its own connection, and gave it back.
    DiaryStore one(place.diary, place.settings);
    DiaryStore two(place.diary, place.settings);
    one.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
    QCOMPARE(two.rounds().size(), 1);
    QCOMPARE(QSqlDatabase::connectionNames().size(), 2);
}

void tst_DiaryStore::unwritableFolderKeepsRoundsAndSaysSoOnce()
{
    Place place;
    // A plain file where the folder should be stops even root.
    QFile blocker(place.dir.filePath(QStringLiteral("data")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DiaryStore store(place.diary, place.settings);
    QSignalSpy changed(&store, &DiaryStore::changed);
    StderrCapture errors;
    store.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
    store.roundEnded(round(QStringLiteral("2026-12-07 10:16:00")));
    const QString folder = place.dir.filePath(QStringLiteral("data"));
    QCOMPARE(errors.lines(),
             QStringList(QStringLiteral("kvadrilka: cannot create the diary folder %1; rounds are "
                                        "kept in memory")
                             .arg(folder)));
    QCOMPARE(store.unsavedCount(), 2);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(store.problem(), QStringLiteral("Не удалось создать папку для дневника: %1. Раунды "
                                             "пока хранятся в памяти игры и пропадут, если её "
                                             "закрыть.")
                                  .arg(folder));

    // Once the folder can be made, the next round brings the kept ones with it.
    QVERIFY(blocker.remove());
    store.roundEnded(round(QStringLiteral("2026-12-07 10:17:00")));
    QCOMPARE(store.rounds().size(), 3);
    QCOMPARE(store.unsavedCount(), 0);
    QVERIFY(store.problem().isEmpty());
}

void tst_DiaryStore::damagedFileIsSetAsideAndAFreshOneBegun_data()
{
    QTest::addColumn<QStringList>("statements"); // run on the file before the store sees it
    QTest::addColumn<QByteArray>("bytes");       // or, when not empty, the file's bytes
    QTest::addColumn<bool>("firstRead");         // found by reading rather than by writing

    const QByteArray garbage = QByteArray("This is a letter, not a diary.\n").repeated(200);
    QTest::newRow("garbage, on writing") << QStringList() << garbage << false;
    QTest::newRow("garbage, on reading") << QStringList() << garbage << true;
    QTest::newRow("another program's database")
        << QStringList{"CREATE TABLE notes (text TEXT)"} << QByteArray() << false;
    QTest::newRow("our version without our tables")
        << QStringList{"CREATE TABLE rounds (id INTEGER)", "PRAGMA user_version = 1"}
        << QByteArray() << true;
}

void tst_DiaryStore::damagedFileIsSetAsideAndAFreshOneBegun()
{
    QFETCH(QStringList, statements);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, firstRead);
    Place place;
    QVERIFY(QDir().mkpath(QFileInfo(place.diary).path()));
    if (!bytes.isEmpty()) {
        QFile file(place.diary);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "prepare");
        db.setDatabaseName(place.diary);
        QVERIFY(db.open());
        for (const QString &statement : statements)
            QVERIFY(QSqlQuery(db).exec(statement));
        db.close();
    }
    {
        QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    }
    const QByteArray before = contents(place.diary);

    DiaryStore store(place.diary, place.settings);
    StderrCapture errors;
    if (firstRead)
        QVERIFY(store.rounds().isEmpty());
    store.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
    const QStringList lines = errors.lines();

    const QStringList aside =
        QDir(QFileInfo(place.diary).path()).entryList({QStringLiteral("diary.sqlite.damaged-*")});
    QCOMPARE(aside.size(), 1);
    const QString asidePath = QFileInfo(place.diary).dir().filePath(aside.first());
    QCOMPARE(contents(asidePath), before);
    QCOMPARE(store.rounds().size(), 1);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(
                 QStringLiteral("kvadrilka: the diary %1 is damaged (").arg(place.diary)),
             qPrintable(lines.first()));
    QVERIFY(lines.first().endsWith(
        QStringLiteral("; it was renamed to %1 and a new one begun").arg(asidePath)));
    // The note stays after the fresh diary took the round: the parents should hear of it.
    QCOMPARE(store.problem(), QStringLiteral("Не удалось прочитать дневник: файл повреждён, он "
                                             "сохранён как %1, начат новый.")
                                  .arg(asidePath));
}

void tst_DiaryStore::newerDiaryIsLeftAsItIs()
{
    Place place;
    {
        DiaryStore store(place.diary, place.settings);
        store.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
        QSqlQuery(QSqlDatabase::database(store.connectionName()))
            .exec(QStringLiteral("PRAGMA user_version = 2"));
    }
    const QByteArray before = contents(place.diary);
    DiaryStore store(place.diary, place.settings);
    StderrCapture errors;
    store.roundEnded(round(QStringLiteral("2026-12-07 10:16:00")));
    QCOMPARE(errors.lines(), QStringList(QStringLiteral("kvadrilka: the diary %1 was written by a "
                                                        "newer version of the game; rounds are "
                                                        "kept in memory")
                                             .arg(place.diary)));
    QCOMPARE(contents(place.diary), before);
    QCOMPARE(store.unsavedCount(), 1);
}

void tst_DiaryStore::fullDiskKeepsTheRoundForTheNextWrite()
{
    Place place;
    DiaryStore store(place.diary, place.settings);
    store.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
    QSqlDatabase db = QSqlDatabase::database(store.connectionName());
    // The file may not grow past its present pages; a round with a long grade needs new ones.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA max_page_count = 1"));
    RoundRecord big = round(QStringLiteral("2026-12-07 10:16:00"));
    big.grade = QString(20000, u'5');
    QSignalSpy changed(&store, &DiaryStore::changed);
    StderrCapture errors;
    store.roundEnded(big);
    QCOMPARE(store.unsavedCount(), 1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(store.problem(), QStringLiteral("Не удалось записать дневник: на диске не хватает "
                                             "места. Раунды пока хранятся в памяти игры и "
                                             "пропадут, если её закрыть."));

    QSqlQuery(db).exec(QStringLiteral("PRAGMA max_page_count = 1000000"));
    store.roundEnded(round(QStringLiteral("2026-12-07 10:17:00")));
    const QStringList lines = errors.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(
                 QStringLiteral("kvadrilka: cannot write the diary %1: the disk is full (")
                     .arg(place.diary)),
             qPrintable(lines.first()));
    QCOMPARE(store.unsavedCount(), 0);
    QCOMPARE(changed.count(), 1);
    const QList<DiaryRound> rounds = store.rounds();
    QCOMPARE(rounds.size(), 3);
    QCOMPARE(rounds.at(1).grade, big.grade);
    QVERIFY(store.problem().isEmpty());
}

void tst_DiaryStore::busyDiaryKeepsTheRoundForTheNextWrite()
{
    Place place;
    DiaryStore store(place.diary, place.settings);
    store.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
    {
        // Another game in the middle of its own write, for longer than the store waits.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
        other.setDatabaseName(place.diary);
        QVERIFY(other.open());
        QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        StderrCapture errors;
        store.roundEnded(round(QStringLiteral("2026-12-07 10:16:00")));
        QCOMPARE(store.unsavedCount(), 1);
        QVERIFY(errors.lines().value(0).startsWith(
            QStringLiteral("kvadrilka: the diary %1 is busy with another game").arg(place.diary)));
        QVERIFY(QSqlQuery(other).exec(QStringLiteral("ROLLBACK")));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    store.roundEnded(round(QStringLiteral("2026-12-07 10:17:00")));
    QCOMPARE(store.rounds().size(), 3);
}

void tst_DiaryStore::refusedRoundDoesNotHoldUpTheOthers()
{
    Place place;
    DiaryStore store(place.diary, place.settings);
    store.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
    QSqlQuery(QSqlDatabase::database(store.connectionName()))
        .exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON rounds WHEN NEW.level = 9 "
                             "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    StderrCapture errors;
    store.roundEnded(round(QStringLiteral("2026-12-07 10:16:00"), 9));
    store.roundEnded(round(QStringLiteral("2026-12-07 10:17:00"), 2));
    QCOMPARE(errors.lines(), QStringList(QStringLiteral("kvadrilka: the diary %1 refused the "
                                                        "round of 2026-12-07 10:16:00 (refused); "
                                                        "it is left out")
                                             .arg(place.diary)));
    QCOMPARE(store.rounds().size(), 2);
    QCOMPARE(store.unsavedCount(), 0);
}

void tst_DiaryStore::recordingOffWritesNothing()
{
    Place place;
    {
        DiaryStore store(place.diary, place.settings);
        QVERIFY(store.isRecording());
        store.setRecording(false);
        QSignalSpy changed(&store, &DiaryStore::changed);
        store.roundEnded(round(QStringLiteral("2026-12-07 10:15:00")));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(store.unsavedCount(), 0);
    }
    QVERIFY(!QFile::exists(place.diary));
    // The switch is remembered for the next game.
    DiaryStore store(place.diary, place.settings);
    QVERIFY(!store.isRecording());
    store.setRecording(true);
    store.roundEnded(round(QStringLiteral("2026-12-07 10:16:00")));
    QCOMPARE(store.rounds().size(), 1);
}

void tst_DiaryStore::csvIsExact()
{
    Place place;
    DiaryStore store(place.diary, place.settings);
    RoundRecord early = round(QStringLiteral("2026-12-07 10:15:00"), 2,
                              {target(1, 147, 500), target(2, 343, 1500, 1, {Penalty::Miss})});
    early.ending = RoundEnding::CloseButton;
    early.score = 2;
    RoundRecord finished = round(QStringLiteral("2026-12-08 09:00:05"), 4, {target(1, 10, -1, 3)});
    finished.rightButton = true;
    finished.doubleClick = true;
    finished.grade = QStringLiteral("Звание \" ТУПИЦА \"");
    store.roundEnded(early);
    store.roundEnded(finished);

    const QString csv = place.dir.filePath(QStringLiteral("diary.csv"));
    QVERIFY(store.exportCsv(csv));
    QCOMPARE(contents(csv),
             QStringLiteral(
                 "Дата и время,Уровень,Кнопка,Щелчок,Попадания из 30,Оценка,"
                 "\"Медиана времени до попадания, мс\",Промахи,Замечания,Доигран,"
                 "\"Скорость наведения, бит/с\"\r\n"
                 "2026-12-08 09:00:05,Супермен,правая,двойной,0,\"Звание \"\" ТУПИЦА \"\"\",,3,0,"
                 "да,\r\n"
                 "2026-12-07 10:15:00,Бывалый,левая,одинарный,2,,1000,1,1,нет,3.00\r\n")
                 .toUtf8());
    QVERIFY(!store.exportCsv(place.dir.filePath(QStringLiteral("diary.csv/inside.csv"))));
}

QTEST_MAIN(tst_DiaryStore)
#include "tst_diarystore.moc"
