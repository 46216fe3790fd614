// SPDX-License-Identifier: GPL-3.0-or-later
#include "detachedlauncher.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

bool DetachedLauncher::start(const QString &program, const QStringList &arguments)
{
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return false;
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    // A browser talks a lot on its output; the game's terminal is no place for it.
    if (m_quiet) {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    }
    return process.startDetached();
}
