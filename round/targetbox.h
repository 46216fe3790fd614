// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <cstdint>

// The target: a flat square of its background colour. It reports presses and double clicks with
// the button code (1 left, 2 right, 4 middle) and where in the box they landed; the second press
// of a double click is reported only as the double click.
class TargetBox : public QWidget
{
    Q_OBJECT
public:
    explicit TargetBox(QWidget *parent = nullptr);

    std::uint32_t backColor() const { return m_backColor; }
    void setBackColor(std::uint32_t bgr);

    static int buttonCode(Qt::MouseButton button);

signals:
    void pressed(int button, QPointF at);
    void doubleClicked(int button, QPointF at);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    std::uint32_t m_backColor = 0;
};
