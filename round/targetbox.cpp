// SPDX-License-Identifier: GPL-3.0-or-later
#include "targetbox.h"
#include "design.h"

#include <QMouseEvent>
#include <QPainter>

TargetBox::TargetBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The field watches the pointer's moves; over the target too.
    setMouseTracking(true);
}

void TargetBox::setBackColor(std::uint32_t bgr)
{
    if (bgr == m_backColor)
        return;
    m_backColor = bgr;
    update();
}

int TargetBox::buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

void TargetBox::paintEvent(QPaintEvent *)
{
    // A plain fill with no border and no smoothing, so every pixel is exactly the colour.
    QPainter painter(this);
    painter.fillRect(rect(), fromBgr(m_backColor));
}

void TargetBox::mousePressEvent(QMouseEvent *event)
{
    const int code = buttonCode(event->button());
    if (code == 0) {
        event->ignore();
        return;
    }
    emit pressed(code, event->position());
}

void TargetBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt's default would deliver the second press as a press of its own.
    const int code = buttonCode(event->button());
    if (code == 0) {
        event->ignore();
        return;
    }
    emit doubleClicked(code, event->position());
}
