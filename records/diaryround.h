// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "figures.h"
#include "roundrecord.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

// One kept round as the diary shows it, with its figures.
struct DiaryRound
{
    qint64 id = 0; // the keeper's own number, for asking for the round's targets
    QUuid uuid;
    QDateTime started; // the wall-clock time the child saw
    int level = 1;
    bool rightButton = false;
    bool doubleClick = false;
    RoundEnding ending = RoundEnding::Result;
    int score = 0;
    QString grade;
    figures::RoundFigures figures;
};
