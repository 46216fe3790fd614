// SPDX-License-Identifier: GPL-3.0-or-later
// Rounds of the diary on their way to a stand-in for the school's server that takes rounds until
// it is told to fail.
#include "schoolsender.h"
#include "sqliterecords.h"

#include <QLockFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

const Child owner{"family", "Маша"};

struct Server : Delivery
{
    QList<QUuid> kept;   // in the order they arrived, each once
    int takes = 1000000; // rounds it takes before the line breaks
    int asked = 0;
    QList<int> refuses; // scores of rounds it refuses for good
    QList<Refusal> refusals;
    QList<QUuid> deliver(const QList<roundrows::Played> &rounds) override
    {
        ++asked;
        refusals.clear();
        QList<QUuid> committed;
        for (const roundrows::Played &round : rounds) {
            if (refuses.contains(round.record.score)) {
                refusals.append({round.record.uuid, "the score is out of range"});
                continue;
            }
            if (takes-- <= 0)
                break;
            if (!kept.contains(round.record.uuid))
                kept.append(round.record.uuid);
            committed.append(round.record.uuid);
        }
        return committed;
    }
    QString errorMessage() const override { return QStringLiteral("no answer"); }
    QList<Refusal> refused() const override { return refusals; }
};

struct Place
{
    QTemporaryDir dir;
    QString diary = dir.filePath("diary.sqlite");
    SqliteRecords records{diary, dir.filePath("settings.ini"), owner};
    Server server;
    SchoolSender sender{records, diary, server};
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(9, 0), QTimeZone::utc());

    void play(int rounds)
    {
        for (int i = 0; i < rounds; ++i)
            records.roundEnded(
                {.started = now.addSecs(i), .score = i, .grade = {}, .targets = {{}}});
    }
};

} // namespace

class tst_SchoolSender : public QObject
{
    Q_OBJECT
private slots:
    // The line breaks after some rounds: those are marked sent, the rest wait; the next run, after
    // the pause, sends the rest, none twice, in the order played. A round the server refuses for
    // good is set aside with its reason and holds back none; it is not offered again.
    void everyRoundArrivesOnce()
    {
        Place place;
        place.play(151);
        place.server.refuses = {0};
        place.server.takes = 130;
        QCOMPARE(place.sender.run(place.now), SchoolSender::Outcome::Failed);
        QCOMPARE(place.sender.refusedCount(), 1);
        QCOMPARE(place.records.unsentCount(), 20);
        QCOMPARE(place.sender.run(place.now.addMSecs(SendingPause::firstPauseMs - 1)),
                 SchoolSender::Outcome::Paused);
        place.server.takes = 1000;
        place.server.asked = 0;
        const QDateTime later = place.now.addMSecs(SendingPause::firstPauseMs);
        QCOMPARE(place.sender.run(later), SchoolSender::Outcome::Sent);
        QCOMPARE(place.server.asked, 1);
        QCOMPARE(place.sender.sentCount(), 20);
        QCOMPARE(place.server.kept.size(), 150);
        QCOMPARE(place.records.unsentCount(), 0);
        QCOMPARE(place.records.refusedCount(), 1);
        QVERIFY(SendingPause(place.diary).mayTry(later));
        const QList<DiaryRound> rounds = place.records.rounds(owner).value(); // newest first
        QCOMPARE(place.server.kept.first(), rounds[149].uuid);
        const QUuid refused = rounds.last().uuid;
        QCOMPARE(SendingPause(place.diary).refusal(refused), "the score is out of range");
        place.server.asked = 0;
        QCOMPARE(place.sender.run(later), SchoolSender::Outcome::Sent);
        QCOMPARE(place.server.asked, 0);
        QVERIFY(!place.server.kept.contains(refused));
    }

    // After each failure in a row the pause doubles, from 5 s to at most 10 minutes. During it a
    // run by hand sends, an automatic one keeps to it; a success ends the outage.
    void thePauseGrows()
    {
        Place place;
        place.play(2);
        place.server.takes = 0;
        QDateTime now = place.now;
        for (const qint64 pause :
             {5000, 10000, 20000, 40000, 80000, 160000, 320000, 600000, 600000}) {
            QCOMPARE(place.sender.run(now), SchoolSender::Outcome::Failed);
            QCOMPARE(place.sender.failure(), "no answer");
            QVERIFY(!SendingPause(place.diary).mayTry(now.addMSecs(pause - 1)));
            now = now.addMSecs(pause);
            QVERIFY(SendingPause(place.diary).mayTry(now));
        }
        place.server.takes = 1000;
        now = now.addMSecs(-1);
        QCOMPARE(place.sender.run(now), SchoolSender::Outcome::Paused);
        QCOMPARE(place.sender.run(now, SchoolSender::Mode::ByHand), SchoolSender::Outcome::Sent);
        QCOMPARE(place.sender.sentCount(), 2);
        QVERIFY(SendingPause(place.diary).mayTry(now));
        QVERIFY(SendingPause(place.diary).failed(now)); // the next failure begins a new outage
        // A retry time further ahead than the longest pause, from a clock set into the future, is
        // not waited for; one within it is.
        QSettings state(place.diary + ".school", QSettings::IniFormat);
        for (const auto &[ahead, mayTry] :
             {std::pair(now.addYears(1), true),
              std::pair(now.addMSecs(SendingPause::longestPauseMs), false)}) {
            state.setValue("school/retry-at", ahead.toMSecsSinceEpoch());
            state.sync();
            QCOMPARE(SendingPause(place.diary).mayTry(now), mayTry);
        }
    }

    // One sender per diary: a second finds the first at work and leaves the rounds to it.
    void oneSenderAtATime()
    {
        Place place;
        place.play(2);
        QLockFile first(place.diary + ".sending");
        QVERIFY(first.tryLock(0));
        QCOMPARE(place.sender.run(place.now), SchoolSender::Outcome::Busy);
        QCOMPARE(place.server.asked, 0);
        first.unlock();
        QCOMPARE(place.sender.run(place.now), SchoolSender::Outcome::Sent);
        QCOMPARE(place.server.kept.size(), 2);
        // A diary not made yet has nothing to send; it is not another sender at work.
        const QString none = place.dir.filePath("none/diary.sqlite");
        SqliteRecords records(none, place.dir.filePath("none.ini"), owner);
        SchoolSender sender(records, none, place.server);
        QCOMPARE(sender.run(place.now, SchoolSender::Mode::ByHand), SchoolSender::Outcome::Sent);
    }
};

QTEST_GUILESS_MAIN(tst_SchoolSender)
#include "tst_schoolsender.moc"
