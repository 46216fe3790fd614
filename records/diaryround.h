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
    qint64 id = 0; // this computer's file's own number; 0 for a round read from the school's server
    QUuid uuid;    // what the round is known by, wherever it is kept
    QDateTime started; // the wall-clock time the child saw
    int level = 1;
    bool rightButton = false;
    bool doubleClick = false;
    RoundEnding ending = RoundEnding::Result;
    int score = 0;
    QString grade;
    figures::RoundFigures figures;
};
