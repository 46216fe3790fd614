// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

// Who plays on this account now, kept by the diary window in the game's settings file. Read from
// disk on every question, as the recording switch is.
class PlayerSetting
{
public:
    PlayerSetting(const QString &settingsFile, const Child &owner)
        : m_file(settingsFile), m_owner(owner)
    {
    }

    // The owner unless another child was chosen.
    Child player() const;
    void set(const Child &child);

private:
    QString m_file;
    Child m_owner;
};
