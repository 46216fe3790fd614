// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolcourier.h"
#include "launcher.h"
#include "schoolsender.h"

SchoolCourier::SchoolCourier(RoundReport &diary, bool schoolServer, Launcher &launcher,
                             const QString &diaryFile, const QString &program,
                             const QStringList &arguments)
    : m_diary(diary), m_schoolServer(schoolServer), m_launcher(launcher), m_diaryFile(diaryFile),
      m_program(program), m_arguments(arguments)
{
}

void SchoolCourier::roundEnded(const RoundRecord &record)
{
    m_diary.roundEnded(record);
    sendSoon();
}

void SchoolCourier::sendSoon()
{
    if (m_schoolServer && SendingPause(m_diaryFile).mayTry(QDateTime::currentDateTimeUtc()))
        m_launcher.start(m_program, m_arguments);
}
