// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records.h"
#include "schoolserver.h"

#include <QThread>

// The class on the school's server, read on a thread of its own with a connection of its own:
// a server that hangs keeps that thread waiting, at most the deadline of its limits, and never
// the window that asked. Reads answer later, in the order asked. Only read: rounds are added by
// the games, and children are kept by the diaries of their own accounts.
class ServerRecords : public Records
{
    Q_OBJECT
public:
    ServerRecords(const QString &service, SchoolLimits limits, QObject *parent = nullptr);
    // Cuts a read under way short rather than wait for a server that hangs.
    ~ServerRecords() override;

    // Asks what this account's role may do there; checked() answers.
    void check();
    const SchoolLimits &limits() const { return m_limits; }
    const QString &service() const { return m_service; }
    // Why the last read failed; reason None when it did not.
    const SchoolFailure &failure() const { return m_failure; }
    void setPlace(const QString &place) { m_place = place; }

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
    Child player() const override { return {}; }
    void setPlayer(const Child &) override {}
    bool isRecording() const override { return true; }
    void setRecording(bool) override {}
    QString problem() const override;
    QString place() const override { return m_place; }
    bool manyAccounts() const override { return true; }

    static QString readOnly();

signals:
    void checked(const SchoolCheck &check);

private:
    class Worker;
    template <typename T>
    void ask(std::function<std::optional<T>(class ServerReader &)> read, QObject *context,
             Answer<T> answer);

    QString m_service;
    SchoolLimits m_limits;
    QString m_place;
    SchoolFailure m_failure;
    QThread m_thread;
    Worker *m_worker; // lives on m_thread, and goes with it
};
