// SPDX-License-Identifier: GPL-3.0-or-later
#include "penaltycodes.h"

#include <QStringList>

namespace penaltycodes {

namespace {

QString code(Penalty penalty)
{
    switch (penalty) {
    case Penalty::Miss:
        return QStringLiteral("miss");
    case Penalty::DoubleInSingleMode:
        return QStringLiteral("double");
    case Penalty::RightInDoubleMode:
        return QStringLiteral("right-in-double");
    case Penalty::RightWhileLeft:
        return QStringLiteral("right-for-left");
    case Penalty::LeftWhileRight:
        return QStringLiteral("left-for-right");
    }
    return QStringLiteral("miss");
}

} // namespace

QString text(const QList<Penalty> &penalties)
{
    QStringList codes;
    for (const Penalty penalty : penalties)
        codes.append(code(penalty));
    // Never null: a null QString is bound as NULL, which a NOT NULL column refuses.
    return codes.isEmpty() ? QStringLiteral("") : codes.join(u',');
}

QList<Penalty> from(const QString &text)
{
    QList<Penalty> penalties;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts)) {
        for (const Penalty penalty :
             {Penalty::Miss, Penalty::DoubleInSingleMode, Penalty::RightInDoubleMode,
              Penalty::RightWhileLeft, Penalty::LeftWhileRight}) {
            if (part == code(penalty))
                penalties.append(penalty);
        }
    }
    return penalties;
}

} // namespace penaltycodes
