// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <cstdint>

// The target: a flat square of its background colour. It reports presses with the button code
// (1 left, 2 right, 4 middle) and double clicks; the second press of a double click is reported
// only as the double click. A double click counts only when both its clicks hit the target: when
// the first went elsewhere (to the field, perhaps just before the target jumped under the
// pointer), the second is an ordinary press.
class TargetBox : public QWidget
{
    Q_OBJECT
public:
    explicit TargetBox(QWidget *parent = nullptr);

    std::uint32_t backColor() const { return m_backColor; }
    void setBackColor(std::uint32_t bgr);

    static int buttonCode(Qt::MouseButton button);

signals:
    void pressed(int button);
    void doubleClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    std::uint32_t m_backColor = 0;
    // Whether the last press any widget got was on this target.
    bool m_lastPressOurs = false;
};
