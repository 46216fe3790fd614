// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "roundrecord.h"

#include <QList>
#include <QString>

// A target's penalties as short codes, "miss,double", the same in the diary and the outbox.
namespace penaltycodes {

QString text(const QList<Penalty> &penalties);
QList<Penalty> from(const QString &text);

} // namespace penaltycodes
