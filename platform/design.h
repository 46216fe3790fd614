// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <cstdint>
#include <initializer_list>

// Colours are written 0xBBGGRR: blue in the high byte, red in the low one.
constexpr QColor fromBgr(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// Window layouts are given in twips, 1/1440 inch: 15 to a logical pixel at 96 dots per inch.
// Qt scales logical pixels for the screen.
namespace twips {

constexpr int perPixel = 15;

// To the nearest logical pixel.
constexpr int toPixels(int twips) { return (twips + perPixel / 2) / perPixel; }

constexpr QRect toPixels(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

// A rectangle given in twips.
constexpr QRect toPixels(const QRect &area)
{
    return toPixels(area.x(), area.y(), area.width(), area.height());
}

} // namespace twips

// Unloading a window destroys its controls. The control whose handler unloads the window may
// still be on the stack, so they are hidden and cut off now and deleted later.
inline void destroyControls(QObject *window, std::initializer_list<QWidget *> controls)
{
    for (QWidget *control : controls) {
        if (!control)
            continue;
        control->hide();
        control->disconnect(window);
        control->removeEventFilter(window);
        control->deleteLater();
    }
}

// Every window opens centred on the screen.
inline void centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}
