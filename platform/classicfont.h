// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

// The windows were laid out for a small 8 pt sans-serif face; DejaVu Sans, the usual default
// here, is too wide for their labels. Liberation Sans keeps the widths close.
QFont classicFont(qreal pointSize = 8.25, bool bold = false);
