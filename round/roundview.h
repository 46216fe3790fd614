// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QString>

#include <cstdint>
#include <optional>

// What a round needs to show: the field with its target and labels. The game window is one;
// tests have their own. Positions and sizes are in twips, colours 0xBBGGRR.
class RoundView
{
public:
    virtual ~RoundView() = default;

    // Labels 1 to 3: level, button and click kind.
    virtual void setLabel(int number, const QString &text) = 0;
    virtual void setTargetSize(int twips) = 0;
    virtual void moveTarget(int left, int top) = 0;
    virtual void setTargetVisible(bool visible) = 0;
    virtual void paintTarget(std::uint32_t colour) = 0;
    // Writes one line on the field's surface, under the lines written before.
    virtual void print(const QString &line) = 0;
    // Closes the field; its controls go.
    virtual void unload() = 0;
    // Where the pointer is on the field, in logical pixels; none when it is elsewhere.
    virtual std::optional<QPointF> pointer() const = 0;
};
