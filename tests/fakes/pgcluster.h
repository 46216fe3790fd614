// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private PostgreSQL of the newest version Debian's packages installed, on a Unix socket in a
// temporary folder and no TCP port; stopped with the object, and by a watchdog should the test
// die first. PostgreSQL refuses to run as root, so root runs it as "postgres". The superuser
// "postgres" needs no password; every other login gives its SCRAM password, which the cluster's
// password file (PGPASSFILE, set by start()) holds as a pupil's ~/.pgpass would.
class Cluster
{
public:
    ~Cluster() { stop(); }

    // Empty when it runs; otherwise why not.
    QString start();
    void stop();
    // Starts the server (again: its data kept).
    QString resume();

    QString socket() const { return m_dir.filePath("socket"); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString passwordFile() const { return m_dir.filePath("pgpass"); }

    // Runs SQL (or a file of it) in a database as the superuser; empty when it worked.
    QString psql(const QString &database, const QString &sql, bool file = false) const;
    // A login role with a password, member of the roles given; empty when it worked.
    QString createLogin(const QString &name, const QString &memberOf = {});

private:
    QString run(const QString &program, const QStringList &arguments, bool asServer = true) const;

    QTemporaryDir m_dir;
    QString m_bin;
    QStringList m_asUser;
    bool m_running = false;
};
