// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trainingsettings.h"

// The player's choices as a test sets them; read live like the real ones.
class FakeSettings : public TrainingSettings
{
public:
    int level() const override { return chosenLevel; }
    bool leftChosen() const override { return left; }
    bool rightChosen() const override { return !left; }
    int doubleClick() const override { return twice ? 1 : 0; }

    int chosenLevel = 1;
    bool left = true;
    bool twice = false;
};
