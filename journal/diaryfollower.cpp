// SPDX-License-Identifier: GPL-3.0-or-later
#include "diaryfollower.h"
#include "sqliterecords.h"

#include <QFileInfo>

DiaryFollower::DiaryFollower(SqliteRecords &records, const QString &filePath, QObject *parent)
    : QObject(parent), m_records(records), m_filePath(filePath)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(150);
    connect(&m_settle, &QTimer::timeout, this, &DiaryFollower::readAgain);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DiaryFollower::somethingChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &DiaryFollower::somethingChanged);
}

void DiaryFollower::watch()
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    for (const QString &path : {folder, m_filePath}) {
        if (QFileInfo::exists(path) && !m_watcher.files().contains(path) &&
            !m_watcher.directories().contains(path))
            m_watcher.addPath(path);
    }
}

void DiaryFollower::somethingChanged() { m_settle.start(); }

void DiaryFollower::readAgain()
{
    watch();
    // Rounds a game left in the outbox go in now; the window reads the diary either way.
    m_records.sendWaiting();
    emit m_records.changed();
}
