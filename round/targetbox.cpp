// SPDX-License-Identifier: GPL-3.0-or-later
#include "targetbox.h"
#include "design.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

TargetBox::TargetBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Qt pairs two presses into a double click wherever they land, within the time and the
    // distance; the first one is seen here only if it went to another widget.
    qApp->installEventFilter(this);
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

bool TargetBox::eventFilter(QObject *watched, QEvent *event)
{
    // Widgets only: each press reaches its window first, and that says nothing about where.
    if (watched != this && watched->isWidgetType() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        m_lastPressOurs = false;
    return QWidget::eventFilter(watched, event);
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
    m_lastPressOurs = true;
    emit pressed(code);
}

void TargetBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt's default would deliver the second press as a press of its own.
    const int code = buttonCode(event->button());
    if (code == 0) {
        event->ignore();
        return;
    }
    const bool bothOurs = m_lastPressOurs;
    m_lastPressOurs = true;
    if (bothOurs)
        emit doubleClicked();
    else
        emit pressed(code);
}
