// SPDX-License-Identifier: GPL-3.0-or-later
#include "diaryprogram.h"
#include "notices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

DiaryProgram::DiaryProgram(Notices &notices, const QStringList &relativePaths, QObject *parent)
    : QObject(parent), m_notices(notices), m_relativePaths(relativePaths)
{
    // What the diary says about itself goes where the game's own messages go.
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failed(m_process.errorString());
    });
}

DiaryProgram::~DiaryProgram()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The end of its input closes the diary; should it not listen, it is ended.
    m_process.closeWriteChannel();
    if (m_process.waitForFinished(2000))
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QString DiaryProgram::path() const
{
    const QDir folder(QCoreApplication::applicationDirPath());
    for (const QString &relative : m_relativePaths) {
        const QFileInfo program(folder.absoluteFilePath(relative));
        if (program.isFile() && program.isExecutable())
            return program.canonicalFilePath();
    }
    return {};
}

void DiaryProgram::open()
{
    // A diary still starting gets the request too: the pipe is there from the fork on and keeps
    // the line until the program reads it, so no press of the keys is lost.
    if (m_process.state() != QProcess::NotRunning) {
        m_process.write("\n");
        return;
    }
    const QString program = path();
    if (program.isEmpty()) {
        failed(missing());
        return;
    }
    m_process.start(program, {fromGameOption()});
}

int DiaryProgram::replaceGame()
{
    const QString program = path();
    if (program.isEmpty()) {
        failed(missing());
        return 1;
    }
    const QByteArray file = QFile::encodeName(program);
    char *const arguments[] = {const_cast<char *>(file.constData()), nullptr};
    ::execv(file.constData(), arguments);
    failed(QString::fromLocal8Bit(std::strerror(errno)));
    return 1;
}

QString DiaryProgram::missing() const
{
    const QString where = m_relativePaths.isEmpty()
                              ? QString()
                              : QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                                                    .absoluteFilePath(m_relativePaths.first()));
    return QStringLiteral("Не найдена программа дневника %1").arg(where);
}

void DiaryProgram::failed(const QString &why)
{
    // A diary that cannot open is no reason to stop the game: say so and go on.
    m_notices.show(QStringLiteral("Не удалось открыть дневник.\r\n") + why, MessageBox::OkOnly,
                   QStringLiteral("Дневник"));
}
