// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>

#include <cmath>
#include <optional>

// A measurement that came out as NaN or infinity is kept as not known: every place rounds are
// kept stores the same thing for it.
namespace measured {

inline std::optional<QPointF> point(std::optional<QPointF> point)
{
    if (point && std::isfinite(point->x()) && std::isfinite(point->y()))
        return point;
    return std::nullopt;
}

inline double orElse(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

} // namespace measured
