// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "roundrecord.h"

#include <QString>
#include <QStringList>

class Launcher;

// Keeps each round in the diary, then has a program of its own take the diary's new rounds to
// the school's server. The game never waits for the server: a libpq call that hangs cannot be
// cancelled, but a program the game does not wait for can hang without harm, and ends by
// itself when its time limits run out.
class SchoolCourier : public RoundReport
{
public:
    // The sender is the program with the arguments; none is started when there is no server.
    SchoolCourier(RoundReport &diary, bool schoolServer, Launcher &launcher,
                  const QString &diaryFile, const QString &program, const QStringList &arguments);

    void roundEnded(const RoundRecord &record) override;
    // Starts the sender unless the server failed a moment ago.
    void sendSoon();

private:
    RoundReport &m_diary;
    bool m_schoolServer;
    Launcher &m_launcher;
    QString m_diaryFile;
    QString m_program;
    QStringList m_arguments;
};
