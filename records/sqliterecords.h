// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diaryfile.h"
#include "failures.h"
#include "outbox.h"
#include "recordingswitch.h"
#include "records.h"
#include "roundrecord.h"

#include <QList>

// The rounds of this account in one SQLite file. Nothing here may disturb the game: roundEnded()
// never throws and never asks anything. A round is on disk before roundEnded() returns: in the
// diary, or in the outbox beside it until a game can move it in.
class SqliteRecords : public Records, public RoundReport
{
    Q_OBJECT
public:
    // The diary in the given file, the recording switch in the given ini file.
    SqliteRecords(const QString &filePath, const QString &settingsFile, QObject *parent = nullptr);
    // Gives a busy diary one more second for the rounds still waiting, then leaves them in the
    // outbox for the next game.
    ~SqliteRecords() override;

    static QString defaultFilePath();
    // Where the recording switch is kept, beside the game's other settings.
    static QString defaultSettingsFile();
    static constexpr int quitWaitMs = 1000;

    void roundEnded(const RoundRecord &record) override;
    // Moves the waiting rounds into the diary; false when some still wait.
    bool sendWaiting();

    std::optional<QList<DiaryRound>> rounds() override;
    QList<TargetRecord> targets(qint64 roundId) override;
    bool clear() override;
    bool isRecording() const override { return m_switch.isOn(); }
    void setRecording(bool on) override { m_switch.set(on); }
    QString problem() const override { return m_failures.problem(); }

    // Rounds not in the diary yet, in the outbox or, when even that failed, in memory.
    int unsavedCount() const;
    // The Qt SQL connection of the diary file; for tests that tamper with it.
    QString connectionName() const { return m_file.connectionName(); }

private:
    // Writes the waiting rounds and then the fresh one, if any; what the diary cannot take now
    // stays in, or goes to, the outbox.
    bool send(const RoundRecord *fresh);
    void readFailed(const QSqlError &error);

    Failures m_failures;
    DiaryFile m_file;
    Outbox m_outbox;
    RecordingSwitch m_switch;
    // Rounds the outbox could not take either: the last resort.
    QList<RoundRecord> m_inMemory;
};
