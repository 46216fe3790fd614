// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportpage.h"

#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace parentsreport {

namespace {

const QColor rule(0xc8, 0xc8, 0xc8);
const QColor lineColour(0x1d, 0x6f, 0x2f); // the game's green, darker for paper

// 1, 2 or 5 times a power of ten, so that about five steps cover the range.
double niceStep(double range)
{
    const double rough = range / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10 * power;
}

} // namespace

void fitFromZero(Chart &chart, double fallbackHigh)
{
    double highest = 0;
    for (const Point &p : chart.points)
        highest = std::max(highest, p.value);
    if (highest <= 0)
        highest = fallbackHigh;
    chart.step = niceStep(highest);
    chart.low = 0;
    chart.high = std::ceil(highest / chart.step) * chart.step;
}

double ReportPage::height(const QString &text, const QFont &font, double width) const
{
    m_painter.setFont(font);
    // A painter with no pen measures no text.
    m_painter.setPen(ink);
    return m_painter.boundingRect(mm(0, 0, width, 1000), Qt::TextWordWrap | Qt::AlignLeft, text)
               .height() /
           m_dots;
}

double ReportPage::text(const QString &text, const QFont &font, const QColor &colour, double x,
                        double y, double width)
{
    const double h = height(text, font, width);
    m_painter.setFont(font);
    m_painter.setPen(colour);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WordWrap);
    // A name in a right-to-left script keeps its own order of words; it stays at the left
    // edge like everything else on the page.
    option.setTextDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    if (text.isRightToLeft())
        option.setAlignment(option.alignment() | Qt::AlignAbsolute);
    m_painter.drawText(mm(x, y, width, h + 1), text, option);
    return h;
}

void ReportPage::chart(const Chart &chart, const Period &period, double x, double y, double width,
                       double height)
{
    const QFont small = font(7);
    const double titleHeight = text(chart.title, font(9.5, true), ink, x, y, width);
    // Room at the left for the value labels, below for the dates.
    const double left = x + 14, top = y + titleHeight + 3, right = x + width - 2;
    const double bottom = y + height - 6;
    const double days = double(period.from.daysTo(period.to) + 1);
    auto px = [&](double day) { return mm(left + (right - left) * day / days); };
    auto py = [&](double value) {
        return mm(bottom - (bottom - top) * (value - chart.low) / (chart.high - chart.low));
    };

    m_painter.setFont(small);
    m_painter.setBrush(Qt::NoBrush);
    // Day marks along the bottom, no more than seven of them, the first and last day among them.
    const int dayCount = int(days);
    const int every = std::max(1, (dayCount + 5) / 6);
    m_painter.setPen(QPen(quiet, mm(0.2)));
    m_painter.drawLine(QPointF(mm(left), mm(bottom)), QPointF(mm(left), mm(top)));
    m_painter.drawLine(QPointF(mm(left), mm(bottom)), QPointF(mm(right), mm(bottom)));
    // The last day always; a regular mark too close before it gives way.
    QList<int> marked;
    for (int day = 0; day < dayCount - 1 - every / 2; day += every)
        marked.append(day);
    marked.append(dayCount - 1);
    for (const int day : marked) {
        const double centre = px(day + 0.5);
        m_painter.drawLine(QPointF(centre, mm(bottom)), QPointF(centre, mm(bottom + 1)));
        m_painter.drawText(QRectF(centre - mm(8), mm(bottom + 1.2), mm(16), mm(4)),
                           Qt::AlignHCenter | Qt::AlignTop,
                           period.from.addDays(day).toString(QStringLiteral("dd.MM")));
    }

    // An empty chart has no scale: only the sentence why.
    if (chart.points.isEmpty()) {
        m_painter.setFont(font(8.5));
        m_painter.setPen(quiet);
        m_painter.drawText(QRectF(mm(left), mm(top), mm(right - left), mm(bottom - top)),
                           Qt::AlignCenter | Qt::TextWordWrap, chart.emptyText);
        return;
    }
    m_painter.setFont(small);

    // The value lines, with their labels at the left.
    for (double value = chart.low; value <= chart.high + chart.step / 1000; value += chart.step) {
        m_painter.setPen(QPen(value == 0 ? quiet : rule, mm(value == 0 ? 0.25 : 0.15)));
        m_painter.drawLine(QPointF(mm(left), py(value)), QPointF(mm(right), py(value)));
        m_painter.setPen(quiet);
        m_painter.drawText(QRectF(mm(x), py(value) - mm(2), mm(left - x - 1.5), mm(4)),
                           Qt::AlignRight | Qt::AlignVCenter, chart.label(value));
    }

    // Rounds played to the end joined by a line; rounds ended early as hollow rings beside it.
    QPolygonF line;
    for (const Point &p : chart.points) {
        if (p.finished)
            line.append(QPointF(px(p.day), py(p.value)));
    }
    m_painter.setPen(QPen(lineColour, mm(0.35), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.drawPolyline(line);
    const double radius = mm(chart.points.size() > 60 ? 0.55 : 0.9);
    for (const Point &p : chart.points) {
        const QPointF centre(px(p.day), py(p.value));
        if (p.finished) {
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(lineColour);
        } else {
            m_painter.setPen(QPen(quiet, mm(0.25)));
            m_painter.setBrush(Qt::white);
        }
        m_painter.drawEllipse(centre, radius, radius);
    }
    m_painter.setBrush(Qt::NoBrush);
}

} // namespace parentsreport
