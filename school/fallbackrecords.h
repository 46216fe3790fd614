// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records.h"
#include "sqliterecords.h"

#include <QTimer>

class ServerRecords;
struct SchoolCheck;

// The school's server while it answers, this computer's diary when it does not, or not yet: a
// window opens on what this computer has and turns to the server once it answers; one open when
// the server goes away goes on with what this computer has, says why, and asks the server again
// a little later rather than at every turn. Every answer is of one of the two, and place() names
// the one of the last answer.
class FallbackRecords : public Records
{
    Q_OBJECT
public:
    // Without a server (none), the local diary with the note why. With one, it is asked at once
    // what this account may read there.
    FallbackRecords(ServerRecords *server, SqliteRecords &local, bool sendsToSchool,
                    const QString &note = {}, QObject *parent = nullptr);

    // How long after a failure the server is asked again.
    void setRetryAfter(int ms) { m_retry.setInterval(ms); }

    // What the admin's settings file says that was not understood: said with every problem.
    void setConfigFault(const QString &note) { m_configFault = note; }

    void readChildren(QObject *context, Answer<QList<Child>> answer) override;
    void readClassRows(const QDateTime &now, QObject *context,
                       Answer<QList<ClassRow>> answer) override;
    void readRounds(const Child &child, QObject *context,
                    Answer<QList<DiaryRound>> answer) override;
    void readTargets(const QUuid &round, QObject *context,
                     Answer<QList<TargetRecord>> answer) override;
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
    // Only where this account's rounds go to the server: not on a teacher's role.
    std::optional<int> waitingForSchool() override;
    QString problem() const override;

private:
    enum class Server {
        Asked, // what the account may read there is not known yet
        Read,  // the class, or the pupil's own rounds, are read there
        Away,  // it failed: asked again after a while
        Closed // it answers, but this account may not read there
    };
    void checked(const SchoolCheck &check);
    // The server failed with the reason given (in Russian) and the problem for the status line.
    void away(const QString &reason, const QString &problem);
    // The last read or check of the server failed: why, from the server's failure.
    void serverFailed();
    void askAgain();
    bool sendsFromHere() const;
    SqliteRecords::Unsent unsent() const;
    // Reads from the server while it is read, from this computer otherwise. An answer the server
    // fails, or gives after it was left, is asked again of what is read now.
    template <typename T>
    void read(QObject *context, Answer<T> answer,
              std::function<void(Records &, QObject *, Answer<T>)> ask);

    ServerRecords *m_server;
    SqliteRecords &m_local;
    bool m_sendsToSchool;
    Server m_state;
    int m_turn = 0; // counts the changes of m_state, for answers that come after one
    bool m_asking = false;
    bool m_lastFromServer = false;
    std::optional<bool> m_mayAdd;
    QString m_reason;
    QString m_serverProblem;
    QString m_configFault;
    QTimer m_retry;
};
