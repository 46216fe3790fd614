// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>

class Notices;

// The diary window's own program, as the game starts it. A diary started by the shortcut is the
// game's child and ends with the game; one already open is brought to the front instead of
// starting a second.
class DiaryProgram : public QObject
{
    Q_OBJECT
public:
    // The places to look for the program, relative to the game's folder, most likely first.
    DiaryProgram(Notices &notices, const QStringList &relativePaths, QObject *parent = nullptr);
    ~DiaryProgram() override;

    // The program's path, or an empty string when it is in none of the places.
    QString path() const;
    void open();
    // Becomes the diary program ("--journal"): returns only when that failed, having said so.
    int replaceGame();

    // The argument by which the diary knows it was started from a game: it then reads its
    // standard input, a line to come to the front, the end of it to close.
    static QString fromGameOption() { return QStringLiteral("--from-game"); }

private:
    QString missing() const;
    void failed(const QString &why);

    Notices &m_notices;
    QStringList m_relativePaths;
    QProcess m_process;
};
