// SPDX-License-Identifier: GPL-3.0-or-later
#include "pgcluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace {

QString newestBindir()
{
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(found.begin(), found.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    for (auto v = found.crbegin(); v != found.crend(); ++v) {
        if (QFile::exists(versions.filePath(*v + "/bin/initdb")))
            return versions.filePath(*v + "/bin");
    }
    return {};
}

} // namespace

QString Cluster::start()
{
    m_bin = newestBindir();
    if (m_bin.isEmpty())
        return "no PostgreSQL server binaries under /usr/lib/postgresql (package postgresql)";
    if (!m_dir.isValid())
        return "no temporary folder";
    const QString data = m_dir.filePath("data"), socket = m_dir.filePath("socket");
    QDir().mkpath(data);
    QDir().mkpath(socket);
    if (geteuid() == 0) {
        const passwd *postgres = getpwnam("postgres");
        if (!postgres)
            return "running as root, and there is no user \"postgres\" to run the server as";
        m_asUser = {"runuser", "-u", "postgres", "--"};
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ExeGroup | QFile::ExeOther);
        for (const QString &path : {data, socket}) {
            if (chown(QFile::encodeName(path).constData(), postgres->pw_uid, postgres->pw_gid) != 0)
                return "cannot give " + path + " to postgres";
        }
    }
    QString error = run(m_bin + "/initdb", {"-D", data, "-U", "postgres", "--auth=trust", "-E",
                                            "UTF8", "--no-sync", "--locale=C.UTF-8"});
    if (!error.isEmpty())
        return error;
    QFile hba(data + "/pg_hba.conf");
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        hba.write("local all postgres trust\nlocal all all scram-sha-256\n") < 0)
        return "cannot write " + hba.fileName();
    hba.close();
    // libpq ignores a password file that others may read.
    QFile passwords(passwordFile());
    if (!passwords.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !passwords.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return "cannot write " + passwords.fileName();
    qputenv("PGPASSFILE", QFile::encodeName(passwords.fileName()));
    // Gone with this process, however it ends: the fixture's stop() is not reached on a
    // crash. Its output goes nowhere, so that it holds no pipe of whoever runs the test.
    QProcess watchdog;
    watchdog.setProgram("sh");
    watchdog.setArguments(
        QStringList{"-c",
                    "tail --pid=\"$1\" -f /dev/null; dir=$2; shift 2; "
                    "\"$@\"; rm -rf \"$dir\"",
                    "sh", QString::number(QCoreApplication::applicationPid()), m_dir.path()} +
        m_asUser + QStringList{m_bin + "/pg_ctl", "-D", data, "-m", "immediate", "stop"});
    watchdog.setStandardOutputFile(QProcess::nullDevice());
    watchdog.setStandardErrorFile(QProcess::nullDevice());
    if (!watchdog.startDetached())
        return "cannot start the watchdog";
    return resume();
}

void Cluster::stop()
{
    if (m_running)
        run(m_bin + "/pg_ctl", {"-D", m_dir.filePath("data"), "-m", "fast", "-w", "stop"});
    m_running = false;
}

QString Cluster::resume()
{
    const QString error =
        run(m_bin + "/pg_ctl",
            {"-D", m_dir.filePath("data"), "-l", socket() + "/server.log", "-w", "-t", "120", "-o",
             "-k " + socket() + " -c listen_addresses='' -c fsync=off", "start"});
    m_running = error.isEmpty();
    return error;
}

QString Cluster::psql(const QString &database, const QString &sql, bool file) const
{
    return run(m_bin + "/psql",
               {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", socket(), "-U", "postgres", "-d",
                database, file ? "-f" : "-c", sql},
               false);
}

QString Cluster::createLogin(const QString &name, const QString &memberOf)
{
    const QString password = name + "-secret";
    const QString error = psql(
        "postgres", QString("CREATE ROLE %1 LOGIN PASSWORD '%2'%3")
                        .arg(name, password, memberOf.isEmpty() ? "" : " IN ROLE " + memberOf));
    QFile passwords(passwordFile());
    if (error.isEmpty() &&
        (!passwords.open(QIODevice::Append) ||
         passwords.write(QString("*:*:*:%1:%2\n").arg(name, password).toUtf8()) < 0))
        return "cannot write " + passwords.fileName();
    return error;
}

QString Cluster::run(const QString &program, const QStringList &arguments, bool asServer) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList command =
        (asServer ? m_asUser : QStringList()) + QStringList{program} + arguments;
    // A folder the server's user may enter: the test's own may be closed to it.
    process.setWorkingDirectory(m_dir.path());
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return program + " did not finish";
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + " failed: " + QString::fromLocal8Bit(process.readAll());
    return {};
}
