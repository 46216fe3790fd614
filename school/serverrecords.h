// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records.h"

#include <QHash>
#include <QUuid>

class SchoolServer;

// The class on the school's server, as the teacher's role may read it: every machine's rounds,
// every account's children. Only read: rounds are added by the games, and children are kept by
// the diaries of their own accounts.
class ServerRecords : public Records
{
    Q_OBJECT
public:
    // The place names the server for the window; the player is this account's.
    ServerRecords(SchoolServer &server, const QString &place, QObject *parent = nullptr);

    std::optional<QList<Child>> children() override;
    std::optional<QList<ClassRow>> classRows(const QDateTime &now) override;
    std::optional<QList<DiaryRound>> rounds(const Child &child) override;
    QList<TargetRecord> targets(qint64 roundId) override;
    bool clear(const Child &child) override;
    QString addChild(const QString &name) override;
    QString renameChild(const Child &child, const QString &name) override;
    QString removeChild(const Child &child) override;
    Child player() const override { return {}; }
    void setPlayer(const Child &) override {}
    bool isRecording() const override { return true; }
    void setRecording(bool) override {}
    QString problem() const override { return m_problem; }
    QString place() const override { return m_place; }
    bool manyAccounts() const override { return true; }

    static QString readOnly();

private:
    bool opened();
    bool failed(const class QSqlQuery &query);

    SchoolServer &m_server;
    QString m_place;
    QString m_problem;
    // The server knows rounds by UUID; the window asks for targets by a number of ours.
    QHash<qint64, QUuid> m_uuids;
};
