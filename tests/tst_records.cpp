// SPDX-License-Identifier: GPL-3.0-or-later
// The rounds kept in an SQLite file while other programs hold it, replace it, make it at the same
// moment or die in the middle of a write. The other program is this binary started again in a
// role: "--game" plays rounds on command, "--hold" holds the diary in a transaction.
#include "fakes.h"
#include "roundrecorder.h"
#include "sqliterecords.h"
#include "stephook.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTest>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

RoundRecord round(int minute, QString grade = {})
{
    const QDateTime started(QDate(2026, 12, 7), QTime(10, minute, 5));
    return {.started = started, .grade = grade, .targets = {}};
}

// A diary file and a settings file in a folder not made yet.
struct Place
{
    QTemporaryDir dir;
    QString folder = dir.filePath("data"), diary = folder + "/diary.sqlite",
            settings = dir.filePath("settings.ini");

    QStringList game(const QString &pauseAt = {}) const
    {
        return {"--game", diary, settings, pauseAt};
    }
    QStringList hold(const QString &begin = "BEGIN EXCLUSIVE") const
    {
        return {"--hold", diary, begin};
    }
    int rounds(const QString &file = {}) const
    {
        SqliteRecords records(file.isEmpty() ? diary : file, settings);
        return int(records.rounds().value_or(QList<DiaryRound>()).size());
    }
    QStringList entries(const QString &pattern) const
    {
        return QDir(folder).entryList({pattern}, QDir::Files) +
               QDir(diary + ".outbox").entryList({pattern}, QDir::Files);
    }
};

// Another program on the same files, stopped when the test is done with it, also on failure.
struct Other
{
    QProcess process;
    explicit Other(const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), arguments);
        process.waitForStarted();
    }
    ~Other()
    {
        process.kill();
        process.waitForFinished();
    }
    // Its next line of output; empty if none came within a generous time.
    QByteArray answer()
    {
        QElapsedTimer waited;
        waited.start();
        while (!process.canReadLine() && waited.elapsed() < 30000 &&
               process.state() == QProcess::Running)
            process.waitForReadyRead(1000);
        return process.readLine().trimmed();
    }
    QByteArray say(const QByteArray &command)
    {
        process.write(command + '\n');
        return answer();
    }
    // The end it comes to by itself, or -1.
    int exitCode()
    {
        process.closeWriteChannel();
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
                   ? process.exitCode()
                   : -1;
    }
};

std::string s_pauseAt;

void pauseAt(const char *step)
{
    if (s_pauseAt != step)
        return;
    std::printf("paused %s\n", step);
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
}

// A game: "round" plays a round as the game window does, "send" moves the waiting rounds in,
// end of input quits.
int playGame(const QStringList &arguments)
{
    s_pauseAt = arguments.value(4).toStdString();
    stephook::set(pauseAt);
    SqliteRecords records(arguments.value(2), arguments.value(3));
    FakeClock clock;
    RoundRecorder recorder(clock);
    std::string command;
    while (std::getline(std::cin, command)) {
        if (command == "round") {
            recorder.begin(2, false, false);
            recorder.targetShown(1, {100, 100}, 49, QPointF(0, 0));
            clock.advance(700);
            recorder.hit();
            records.roundEnded(recorder.finish(RoundEnding::CloseButton, 1, {}));
            std::puts("ended");
        } else if (command == "send") {
            std::puts(records.sendWaiting() ? "sent" : "waiting");
        }
        std::fflush(stdout);
    }
    return 0;
}

// Holds the diary in a transaction until its input ends.
int holdDiary(const QStringList &arguments)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE");
    db.setDatabaseName(arguments.value(2));
    QSqlQuery query(db);
    if (!db.open() || !query.exec(arguments.value(3)))
        return 1;
    std::puts("held");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    return 0;
}

// What another game says to break the file and to mend it (none: a plain file blocks the
// folder), a word of the sentence told, rounds kept for the next write and in the diary at last.
// Rounds left out (none kept) are still told after the next good write; other troubles are not.
struct Failure
{
    QString breaks{}, mends{}, word{};
    int kept = 2, saved = 4;
};

} // namespace

class tst_Records : public QObject
{
    Q_OBJECT
private slots:
    // Killed or quitting, the game has put the round on disk before it let it go.
    void roundsOutliveAHeldDiary_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("quit") << false;
        QTest::newRow("killed") << true;
    }
    void roundsOutliveAHeldDiary()
    {
        QFETCH(bool, killed);
        Place place;
        QVERIFY(QDir().mkpath(place.folder));
        {
            Other holder(place.hold());
            QCOMPARE(holder.answer(), "held");
            Other game(place.game());
            QCOMPARE(game.say("round"), "ended");
            QCOMPARE(game.say("send"), "waiting");
            if (killed) {
                game.process.kill();
            } else {
                // It waits for the diary a little, then leaves the round where it is.
                QElapsedTimer quitting;
                quitting.start();
                QCOMPARE(game.exitCode(), 0);
                QVERIFY2(quitting.elapsed() < 10000,
                         qPrintable(QString::number(quitting.elapsed())));
            }
        }
        SqliteRecords next(place.diary, place.settings);
        QVERIFY(next.sendWaiting());
        QCOMPARE(next.rounds()->size(), 1);
        QCOMPARE(place.entries("*"), QStringList{"diary.sqlite"});
    }

    // The letter of a round already in the diary, left by a crash, never makes a second copy.
    void aRoundGoesInOnceThoughACrashCutTheCleanUp()
    {
        Place place;
        QVERIFY(QDir().mkpath(place.folder));
        // Everything of a round survives its stay in the outbox, a broken measure as "none".
        RoundRecord played = round(1, "Оценка \" 5 \"");
        played.uuid = QUuid::createUuid();
        played.started = QDateTime(QDate(2026, 12, 7), QTime(15, 1, 5, 7), QTimeZone(5 * 3600));
        played.level = 3;
        played.rightButton = played.doubleClick = true;
        played.ending = RoundEnding::ProgramQuit;
        played.score = 1;
        played.targets = {{1, 0, 640, {Penalty::RightWhileLeft, Penalty::Miss}, 2, 147, 49},
                          {2, 1500, -1, {}, 0, qQNaN(), 49}};
        {
            Other holder(place.hold());
            QCOMPARE(holder.answer(), "held");
            // Gone before the holder: it leaves the round in the outbox.
            SqliteRecords records(place.diary, place.settings);
            records.roundEnded(played);
            QCOMPARE(records.unsavedCount(), 1);
        }
        Other game(place.game("round-committed"));
        QCOMPARE(game.say("send"), "paused round-committed");
        game.process.kill();
        QCOMPARE(place.entries("*.round").size(), 1);
        SqliteRecords next(place.diary, place.settings);
        QVERIFY(next.sendWaiting());
        next.roundEnded(played);
        const QList<DiaryRound> rounds = next.rounds().value();
        QCOMPARE(rounds.size(), 1);
        const DiaryRound &kept = rounds[0];
        QCOMPARE(kept.uuid, played.uuid);
        QCOMPARE(kept.started.toString(Qt::ISODateWithMs), "2026-12-07T15:01:05.007+05:00");
        QVERIFY(kept.level == 3 && kept.rightButton && kept.doubleClick &&
                kept.ending == RoundEnding::ProgramQuit && kept.score == 1 && kept.grade == played.grade);
        played.targets[1].distance = -1;
        const QList<TargetRecord> targets = next.targets(kept.id);
        QCOMPARE(targets.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const TargetRecord &want = played.targets[i], &have = targets[i];
            QVERIFY(have.number == want.number && have.shownAtMs == want.shownAtMs &&
                    have.hitAfterMs == want.hitAfterMs && have.penalties == want.penalties &&
                    have.misses == want.misses && have.distance == want.distance &&
                    have.width == want.width);
        }
        QVERIFY(place.entries("*.round").isEmpty());
    }

    // Set aside under a running game, the old file gets nothing more from it.
    void aFileSetAsideIsNotWrittenAgain()
    {
        Place place;
        Other game(place.game());
        QCOMPARE(game.say("round"), "ended");
        const QString aside = place.diary + ".damaged-1";
        QVERIFY(QFile::rename(place.diary, aside));
        SqliteRecords(place.diary, place.settings).roundEnded(round(2));
        QCOMPARE(game.say("round"), "ended");
        QCOMPARE(place.rounds(aside), 1);
        QCOMPARE(place.rounds(), 2);
    }

    // Someone else's database stays where it is while another program is in it.
    void aHeldFileIsNotSetAside()
    {
        Place place;
        {
            QVERIFY(QDir().mkpath(place.folder));
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
            db.setDatabaseName(place.diary);
            QVERIFY(db.open() && QSqlQuery(db).exec("CREATE TABLE letters (text)"));
        }
        QSqlDatabase::removeDatabase("foreign");
        SqliteRecords records(place.diary, place.settings);
        {
            Other holder(place.hold("BEGIN IMMEDIATE"));
            QCOMPARE(holder.answer(), "held");
            records.roundEnded(round(0));
            QCOMPARE(place.entries("diary.sqlite*"), QStringList{"diary.sqlite"});
            QVERIFY(records.problem().contains("занят"));
        }
        QVERIFY(records.sendWaiting());
        QCOMPARE(records.rounds()->size(), 1);
        QCOMPARE(place.entries("diary.sqlite.damaged-*").size(), 1);
    }

    // Neither calls the other's brand-new diary foreign.
    void twoGamesMakingTheDiaryAtOnceShareIt()
    {
        Place place;
        Other first(place.game("schema-read"));
        QCOMPARE(first.say("round"), "paused schema-read");
        SqliteRecords second(place.diary, place.settings);
        second.roundEnded(round(0));
        QCOMPARE(first.say("go"), "ended");
        QVERIFY(second.sendWaiting());
        QCOMPARE(second.rounds()->size(), 2);
        QCOMPARE(place.entries("*"), QStringList{"diary.sqlite"});
    }

    // The diary window of another game turns the switch; this game's next round hears it.
    void theSwitchCountsAsItIsWhenTheRoundEnds()
    {
        Place place;
        Other game(place.game());
        for (const bool on : {true, false, true}) {
            QSettings settings(place.settings, QSettings::IniFormat);
            settings.setValue("diary/recording", on);
            settings.sync();
            QCOMPARE(game.say("round"), "ended");
        }
        QCOMPARE(place.rounds(), 2);
    }

    // A diary written before rounds had identities opens with its rounds, which get one each. Put
    // in write-ahead mode by some other tool, it goes back to a rollback journal.
    void aDiaryOfTheFirstVersionOpensWithItsRounds()
    {
        Place place;
        QVERIFY(QDir().mkpath(place.folder) &&
                QFile::copy(QFINDTESTDATA("data/diary-v1.sqlite"), place.diary) &&
                QFile::setPermissions(place.diary, QFile::ReadOwner | QFile::WriteOwner));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tool");
            db.setDatabaseName(place.diary);
            QVERIFY(db.open() && QSqlQuery(db).exec("PRAGMA journal_mode = WAL"));
        }
        QSqlDatabase::removeDatabase("tool");
        QList<DiaryRound> rounds;
        {
            SqliteRecords records(place.diary, place.settings);
            rounds = records.rounds().value();
            QSqlQuery mode(QSqlDatabase::database(records.connectionName()));
            QVERIFY(mode.exec("PRAGMA journal_mode") && mode.next());
            QCOMPARE(mode.value(0).toString(), "delete");
            QCOMPARE(rounds.size(), 2);
            const DiaryRound &older = rounds[1];
            QCOMPARE(older.started.toString(Qt::ISODate), "2026-11-30T17:05:00+03:00");
            QCOMPARE(older.level, 2);
            QCOMPARE(older.score, 27);
            QCOMPARE(older.grade, "Оценка \" 5 \"");
            QCOMPARE(older.figures.medianTimeToHitMs, 402.0);
            QCOMPARE(records.targets(older.id).value(1).penalties,
                     (QList{Penalty::Miss, Penalty::DoubleInSingleMode}));
            QVERIFY(rounds[0].rightButton && rounds[0].doubleClick &&
                    rounds[0].ending == RoundEnding::CloseButton);
            QVERIFY(!rounds[0].uuid.isNull() && !rounds[1].uuid.isNull() &&
                    rounds[0].uuid != rounds[1].uuid);
            records.roundEnded(round(0));
        }
        const QList<DiaryRound> again = SqliteRecords(place.diary, place.settings).rounds().value();
        QCOMPARE(again.size(), 3);
        QCOMPARE(again[1].uuid, rounds[0].uuid);
    }

    void failedWrite_data()
    {
        QTest::addColumn<Failure>("failure");
        // A plain file where the folder should be stops even root; the rounds wait in memory.
        QTest::newRow("folder cannot be made") << Failure{.word = "папку", .saved = 3};
        // A round with a long grade needs pages the file may not grow.
        QTest::newRow("disk full")
            << Failure{"PRAGMA max_page_count = 1", "PRAGMA max_page_count = 99999", "места"};
        QTest::newRow("written by a newer version")
            << Failure{"PRAGMA user_version = 3", "PRAGMA user_version = 2", "новой"};
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
        SqliteRecords records(place.diary, place.settings);
        SqliteRecords other(place.diary, place.settings);
        other.roundEnded(round(0));
        // The page limit holds only on the connection that sets it.
        const bool own = failure.breaks.contains("page") && !records.rounds()->isEmpty();
        QSqlQuery sql(QSqlDatabase::database((own ? records : other).connectionName()));
        QFile blocker(place.folder);
        QVERIFY(failure.breaks.isEmpty()
                    ? QDir(place.folder).removeRecursively() && blocker.open(QIODevice::WriteOnly)
                    : sql.exec(failure.breaks));
        for (int i = 0; i < 2; ++i)
            records.roundEnded(round(1, QString(20000, u'5')));
        QCOMPARE(records.unsavedCount(), failure.kept);
        QVERIFY(records.problem().contains(failure.word));
        QVERIFY(failure.breaks.isEmpty() ? blocker.remove()
                                         : failure.mends.isEmpty() || sql.exec(failure.mends));
        records.roundEnded(round(2));
        QCOMPARE(records.rounds()->size(), failure.saved);
        QVERIFY(failure.kept ? records.problem().isEmpty()
                             : records.problem().contains(failure.word));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.value(1) == "--game")
        return playGame(arguments);
    if (arguments.value(1) == "--hold")
        return holdDiary(arguments);
    tst_Records test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_records.moc"
