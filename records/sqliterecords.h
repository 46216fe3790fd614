// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diaryfile.h"
#include "failures.h"
#include "outbox.h"
#include "playersetting.h"
#include "recordingswitch.h"
#include "records.h"
#include "roundrows.h"
#include "roundrecord.h"

#include <QHash>
#include <QList>
#include <QUuid>

// The rounds of this account in one SQLite file. Nothing here may disturb the game: roundEnded()
// never throws and never asks anything. A round is on disk before roundEnded() returns: in the
// diary, or in the outbox beside it until a game can move it in.
class SqliteRecords : public Records, public RoundReport
{
    Q_OBJECT
public:
    // The diary in the given file, the recording switch and who plays in the given ini file. The
    // owner is the account's own child, who plays unless another is chosen.
    SqliteRecords(const QString &filePath, const QString &settingsFile,
                  const Child &owner = childnames::ofThisAccount(), const DiaryPolicy &policy = {},
                  QObject *parent = nullptr);
    // Gives a busy diary one more second for the rounds still waiting, then leaves them in the
    // outbox for the next game.
    ~SqliteRecords() override;

    static QString defaultFilePath();
    // Where the recording switch is kept, beside the game's other settings.
    static QString defaultSettingsFile();
    static constexpr int quitWaitMs = 1000;

    // For this run only, whoever the diary window chose: the rounds are the child's (added when
    // new), or, for a guest, nobody's.
    void playAs(const Child &child) { m_runPlayer = child; }
    // False, recording as before, when the administrator does not allow it.
    bool playAsGuest() { return m_guest = m_policy.guestAllowed; }
    Child owner() const { return m_owner; }

    void roundEnded(const RoundRecord &record) override;
    // Moves the waiting rounds into the diary; false when some still wait.
    bool sendWaiting();

    // Read at once: the answers come within the call.
    void readChildren(QObject *, Answer<QList<Child>> answer) override { answer(children()); }
    void readClassRows(const QDateTime &now, QObject *, Answer<QList<ClassRow>> answer) override
    {
        answer(classRows(now));
    }
    void readRounds(const Child &child, QObject *, Answer<QList<DiaryRound>> answer) override
    {
        answer(rounds(child));
    }
    void readTargets(const QUuid &round, QObject *, Answer<QList<TargetRecord>> answer) override
    {
        answer(targets(round));
    }
    // The same, as values; none, with problem() set, when they cannot be read.
    std::optional<QList<Child>> children();
    std::optional<QList<ClassRow>> classRows(const QDateTime &now);
    std::optional<QList<DiaryRound>> rounds(const Child &child);
    QList<TargetRecord> targets(qint64 roundId);
    std::optional<QList<TargetRecord>> targets(const QUuid &round);
    bool clear(const Child &child) override { return clear(child, Unsent::Delete); }
    QString addChild(const QString &name) override;
    QString renameChild(const Child &child, const QString &name) override;
    QString removeChild(const Child &child) override { return removeChild(child, Unsent::Delete); }
    // Where rounds go to the school's server, clearing and removing keep those it has not got
    // yet, out of sight, until it has them.
    enum class Unsent { Delete, Keep };
    bool clear(const Child &child, Unsent unsent);
    QString removeChild(const Child &child, Unsent unsent);
    Child player() const override { return m_player.player(); }
    void setPlayer(const Child &child) override { m_player.set(child); }
    bool isRecording() const override { return m_switch.isOn(); }
    void setRecording(bool on) override { m_switch.set(on); }
    QString recordingLock() const override { return m_switch.lockReason(); }
    QString problem() const override { return m_failures.problem(); }

    // For the school's server: the rounds it does not have yet, oldest first; marking those it
    // has committed; and how many of this machine's rounds wait for it, the outbox's included.
    std::optional<QList<roundrows::Played>> unsentRounds(int limit);
    bool markSent(const QList<QUuid> &uuids);
    std::optional<int> unsentCount();
    // Rounds the school's server refuses for good: never offered again, counted apart.
    bool markRefused(const QList<QUuid> &uuids);
    std::optional<int> refusedCount();

    // Rounds not in the diary yet, in the outbox or, when even that failed, in memory.
    int unsavedCount() const;
    // The Qt SQL connection of the diary file; for tests that tamper with it.
    QString connectionName() const { return m_file.connectionName(); }

private:
    // Writes the waiting rounds and then the fresh one, if any; what the diary cannot take now
    // stays in, or goes to, the outbox.
    bool send(const Outbox::Letter *fresh);
    // One read of the file into a T through read(db, &value, &error): none, with problem() set,
    // when the file cannot be opened or read.
    template <typename T, typename Read> std::optional<T> readFile(Read read);
    using MarkRounds = bool (*)(const QSqlDatabase &, const QList<QUuid> &, QSqlError *);
    bool mark(const QList<QUuid> &uuids, MarkRounds mark);
    void readFailed(const QSqlError &error);
    void writeFailed(const QSqlError &error);
    // The child's number in the file; none when it has none, or, with failed set, when the file
    // cannot be read.
    std::optional<qint64> childId(const Child &child, bool *failed);
    static QString identityKey(const Child &child);
    // Forgets the child's rounds still on their way in, which would come back otherwise.
    void dropWaiting(const Child &child);

    Child m_owner;
    Failures m_failures;
    DiaryFile m_file;
    Outbox m_outbox;
    DiaryPolicy m_policy;
    RecordingSwitch m_switch;
    PlayerSetting m_player;
    std::optional<Child> m_runPlayer;
    bool m_guest = false;
    // The identities of the children this run has written rounds for, by identityKey().
    QHash<QString, QUuid> m_identities;
    // Rounds the outbox could not take either: the last resort.
    QList<Outbox::Letter> m_inMemory;
};
