// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records.h"
#include "sqliterecords.h"

#include <QElapsedTimer>

// The school's server while it answers, this computer's diary when it does not: a window open
// when the server goes away goes on with what this computer has, says so, and asks the server
// again a little later rather than at every turn.
class FallbackRecords : public Records
{
    Q_OBJECT
public:
    // Without a server (none), the local diary with the note why.
    FallbackRecords(Records *server, SqliteRecords &local, bool sendsToSchool,
                    const QString &note = {}, QObject *parent = nullptr);

    static constexpr int retryAfterMs = 30000;

    // What the admin's settings file says that was not understood: said with every problem.
    void setConfigFault(const QString &note) { m_configFault = note; }

    std::optional<QList<Child>> children() override;
    std::optional<QList<ClassRow>> classRows(const QDateTime &now) override;
    std::optional<QList<DiaryRound>> rounds(const Child &child) override;
    QList<TargetRecord> targets(qint64 roundId) override;
    bool clear(const Child &child) override;
    QString addChild(const QString &name) override;
    QString renameChild(const Child &child, const QString &name) override;
    QString removeChild(const Child &child) override;
    Child player() const override;
    void setPlayer(const Child &child) override;
    bool isRecording() const override;
    void setRecording(bool on) override;
    QString recordingLock() const override;
    QString place() const override;
    bool manyAccounts() const override;
    std::optional<int> waitingForSchool() override;
    QString problem() const override;

private:
    // The records to read now: the server unless it failed a moment ago.
    Records &current();
    SqliteRecords::Unsent unsent() const;
    // Reads from the server, falling back to the local diary when the server fails.
    template <typename Read> auto read(Read read) -> decltype(read(std::declval<Records &>()));

    Records *m_server;
    SqliteRecords &m_local;
    bool m_sendsToSchool;
    QString m_note;
    QString m_serverProblem;
    QString m_configFault;
    QElapsedTimer m_sinceFailure;
};
