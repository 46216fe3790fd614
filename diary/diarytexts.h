// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diaryround.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// How the diary writes a round's facts, in the window and in the CSV file.
namespace diarytexts {

QString levelName(int level);
QString buttonText(bool rightButton);
QString clickText(bool doubleClick);
QString endingText(RoundEnding ending);
QString scoreText(int score);
// "840 мс", "3,2 бит/с"; a dash when there is no figure.
QString timeText(std::optional<double> ms);
QString throughputText(std::optional<double> bitsPerSecond);

// A header row and one row per round: UTF-8, CRLF, RFC 4180 quoting.
QByteArray csv(const QList<DiaryRound> &rounds);

} // namespace diarytexts
