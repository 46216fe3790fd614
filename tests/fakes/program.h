// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes.h"
#include "gamewindow.h"
#include "startwindow.h"

#include <QTest>

// The whole program over fakes, driven through the settings window's controls.
struct ProgramUnderTest
{
    FakePlatform fakes;
    StartWindow start{fakes.platform()};

    template <typename T = QWidget> T *control(const QString &name) const
    {
        return start.findChild<T *>(name);
    }
    void click(const QString &name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    // The game window, made by the first Start.
    GameWindow &game() const { return *start.gameWindow(); }
};
