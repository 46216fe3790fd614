// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diaryround.h"

class Records;

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// How the diary writes a round's facts, in the window and in the CSV file.
namespace diarytexts {

QString levelName(int level);
QString buttonText(bool rightButton);
QString clickText(bool doubleClick);
QString endingText(RoundEnding ending);
// "17 из 30"
QString hitsText(int hits);
// "1 очко", "-3 очка", "12 очков"
QString pointsText(int score);
// "2026-12-07T10:45:05+01:00": the offset tells apart the hour the autumn clock change repeats.
QString isoTime(const QDateTime &time);
// "840 мс", "3,2 бит/с"; a dash when there is no figure.
QString timeText(std::optional<double> ms);
QString throughputText(std::optional<double> bitsPerSecond);

// A header row and one row per round: UTF-8, CRLF, RFC 4180 quoting, and a leading ' before a
// text that a spreadsheet would take for a formula.
QByteArray csv(const QList<DiaryRound> &rounds);
// The same for every target of every round, with the round's UUID to join the two; none when
// the targets of a round could not be read.
std::optional<QByteArray> targetsCsv(const QList<DiaryRound> &rounds, Records &records);

// The diary window's title, which its boxes carry too.
QString title();
// The sentence a question to clear adds where rounds go to the school's server.
QString schoolKeeps(Records &records);

} // namespace diarytexts
