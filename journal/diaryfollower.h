// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

class SqliteRecords;

// Tells the diary when another program, a game that is being played, has written to its file:
// the diary window then reads it again while it is open.
class DiaryFollower : public QObject
{
    Q_OBJECT
public:
    DiaryFollower(SqliteRecords &records, const QString &filePath, QObject *parent = nullptr);

    // Watches the file and its folder, as far as they exist now; again after every change, since
    // a file set aside or made anew is a new file to the watcher.
    void watch();

private:
    void somethingChanged();
    void readAgain();

    SqliteRecords &m_records;
    QString m_filePath;
    QFileSystemWatcher m_watcher;
    // One write of a round touches the file and its journal several times: one reading for all.
    QTimer m_settle;
};
