// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

#include <QString>

#include <functional>
#include <optional>

class Failures;
class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// The diary's SQLite file: the connection, the schema and its steps, and setting a damaged file
// aside. The file is opened on first use, in rollback-journal mode: a journal works on the
// network file systems school home folders live on, where write-ahead logging does not.
class DiaryFile
{
public:
    // Rounds kept before there were children are the owner's: the account's own child.
    DiaryFile(const QString &path, const Child &owner, Failures &failures);
    ~DiaryFile();
    DiaryFile(const DiaryFile &) = delete;
    DiaryFile &operator=(const DiaryFile &) = delete;

    static constexpr int schemaVersion = 5;
    // Long enough to wait out another game's write of a round, short enough not to stall this one.
    static constexpr int busyTimeoutMs = 250;

    // Open and of our schema, and still the file at the path, ready to be read: rows an older
    // game wrote since are adopted first. A damaged file is set aside and a fresh diary begun,
    // unless another game holds it.
    bool ensureOpen();
    // Runs the work in one write transaction on the file at the path, opening it anew if it was
    // replaced meanwhile. The error of the work, or of the transaction, comes back in error.
    bool write(const std::function<bool(const QSqlDatabase &, QSqlError *)> &work,
               QSqlError *error);
    // The file turned out damaged while reading or writing it.
    bool startAfresh(const QString &damage);
    void setBusyTimeout(int ms);
    void close();

    QSqlDatabase database() const;
    QString connectionName() const { return m_connection; }

private:
    // Device and inode: what a file is, whatever its name.
    struct Identity
    {
        quint64 device = 0, inode = 0;
        bool operator==(const Identity &) const = default;
    };
    static std::optional<Identity> identityOf(const QString &path);
    bool isStillAtPath() const;

    // One step of the schema: what it changes, and how it finds and adopts the rows the version
    // before writes. The rule every step keeps is written where the steps are.
    struct Step
    {
        bool (DiaryFile::*change)(QSqlQuery &);
        const char *strays;
        bool (DiaryFile::*adopt)(QSqlQuery &);
    };
    static const Step steps[];

    // As ensureOpen(), adopting nothing: a write, such as the round a game just played, waits
    // for no more than its own lock.
    bool openAtPath();
    bool open(bool mayStartAfresh);
    bool checkSchema(QString *damage);
    bool upgrade(QSqlQuery &query, int version, QString *damage);
    // Brings rows that a game of an earlier version wrote since into this version's form.
    void adoptStrays();
    bool createVersion1(QSqlQuery &query);
    bool migrateFrom1To2(QSqlQuery &query);
    bool adoptFrom1(QSqlQuery &query);
    bool migrateFrom2To3(QSqlQuery &query);
    bool adoptFrom2(QSqlQuery &query);
    bool migrateFrom3To4(QSqlQuery &query);
    bool adoptFrom3(QSqlQuery &query);
    bool migrateFrom4To5(QSqlQuery &query);
    bool adoptFrom4(QSqlQuery &query);
    bool setAside(const QString &damage, Identity damaged);

    QString m_path;
    Child m_owner;
    Failures &m_failures;
    QString m_connection;
    int m_busyTimeoutMs = busyTimeoutMs;
    bool m_open = false;
    Identity m_identity;
    // The file's data_version when its rows were last found adopted; -1 before the first look.
    qint64 m_adoptedAt = -1;
};
