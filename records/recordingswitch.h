// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// "Записывать раунды", kept in the game's settings file. Read from disk on every question: the
// diary of another process may have changed it since this game started.
class RecordingSwitch
{
public:
    explicit RecordingSwitch(const QString &settingsFile) : m_file(settingsFile) {}

    bool isOn() const;
    void set(bool on);

private:
    QString m_file;
};
