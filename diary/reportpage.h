// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "parentsreport.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <functional>

// Drawing on a page of the parents' report: wrapped text and the charts, in millimetres.
namespace parentsreport {

const QColor ink(0x20, 0x20, 0x20);
const QColor quiet(0x6a, 0x6a, 0x6a);

struct Point
{
    double day; // days since the period's first midnight, by the child's clock
    double value;
    bool finished;
};

struct Chart
{
    QString title;
    QString emptyText;
    QList<Point> points;
    double low = 0, high = 0, step = 0;
    std::function<QString(double)> label;
};

// From nought to the step above the highest value.
void fitFromZero(Chart &chart, double fallbackHigh);

// One page of the report as the painter draws it; the writer's units are hidden behind mm().
class ReportPage
{
public:
    ReportPage(QPainter &painter, double dotsPerMm) : m_painter(painter), m_dots(dotsPerMm) {}

    double mm(double length) const { return length * m_dots; }
    QRectF mm(double x, double y, double w, double h) const
    {
        return QRectF(mm(x), mm(y), mm(w), mm(h));
    }

    QFont font(double points, bool bold = false) const
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    // Height in millimetres of the text wrapped to the width.
    double height(const QString &text, const QFont &font, double width) const;
    // Draws the text wrapped from the top of the area and gives its height in millimetres.
    double text(const QString &text, const QFont &font, const QColor &colour, double x, double y,
                double width);
    // The chart's title, then its days along the bottom of the area and its values up the left.
    void chart(const Chart &chart, const Period &period, double x, double y, double width,
               double height);

private:
    QPainter &m_painter;
    double m_dots;
};

} // namespace parentsreport
