// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>
#include <QUuid>

#include <optional>

// The notices a turn can bring.
enum class Penalty { Miss, DoubleInSingleMode, RightInDoubleMode, RightWhileLeft, LeftWhileRight };

// How a round came to its end, as whoever ended it says. The diary keeps the numbers.
enum class RoundEnding {
    Result = 0,            // the 30th tick: the result box was shown
    CloseButton = 1,       // the player pressed "X" on the field
    ClosedFromOutside = 2, // the field was closed by the desktop or a key, not by the game
    ProgramQuit = 3,       // the program ended while the round ran
};

// An ending read back from a file: a number no version wrote counts as closed from outside.
inline RoundEnding endingFromCode(int code)
{
    return code >= 0 && code <= int(RoundEnding::ProgramQuit) ? RoundEnding(code)
                                                              : RoundEnding::ClosedFromOutside;
}

// One target of a round, as the child met it. Times are in milliseconds and leave out every
// moment spent under a notice box.
struct TargetRecord
{
    int number = 0;         // 1 to 30
    qint64 shownAtMs = 0;   // since the round started
    qint64 hitAfterMs = -1; // from its appearance to the scoring press or double click; -1: not hit
    QList<Penalty> penalties; // every notice raised during its turn, in order
    int misses = 0;           // clicks on the empty field during its turn
    // The pointer's distance from the target's centre when it appeared, in logical pixels;
    // negative when the pointer was not over the field.
    double distance = -1;
    double width = 0; // the target's side, in logical pixels
    // For the speed of aiming, in logical pixels of the field; none in rounds kept before these
    // were recorded. The pointer's place when the target appeared (none when off the field), the
    // target's centre, and the scoring click from that centre (none when not hit).
    std::optional<QPointF> start = std::nullopt;
    std::optional<QPointF> centre = std::nullopt;
    std::optional<QPointF> click = std::nullopt;
    // From its appearance to the pointer's first move of 2 px or more from the start; -1: none.
    qint64 movedAfterMs = -1;
};

// A whole round, reported once when it ends.
struct RoundRecord
{
    QDateTime started; // local time of Start
    int level = 1;     // 1 "Начинающий" to 4 "Супермен"
    bool rightButton = false;
    bool doubleClick = false;
    RoundEnding ending = RoundEnding::Result;
    int score = 0;
    QString grade; // the grade line of the result box, blanks trimmed; empty when ended early
    QList<TargetRecord> targets; // the targets shown, in order
    QUuid uuid{}; // made when the round begins; the round's identity wherever it is kept
};

// Whoever keeps a record of the rounds played. A round reports once, when it ends.
class RoundReport
{
public:
    virtual ~RoundReport() = default;
    virtual void roundEnded(const RoundRecord &record) = 0;
};
