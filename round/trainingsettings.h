// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The player's choices as the game reads them at the moment of reading. The settings window
// owns them; the game never keeps a copy.
class TrainingSettings
{
public:
    virtual ~TrainingSettings() = default;
    // 1 to 4: the first selected level option (0 if none is selected).
    virtual int level() const = 0;
    virtual bool leftChosen() const = 0;
    virtual bool rightChosen() const = 0;
    // 1 when "double click" is ticked, 0 when not.
    virtual int doubleClick() const = 0;
};
