// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// What the machine's administrator decided for every account: whether rounds are recorded unless
// the account says otherwise, or whatever it says (locked), and whether a grown-up may play
// without recording.
struct DiaryPolicy
{
    std::optional<bool> recording;
    bool recordingLocked = false;
    bool guestAllowed = true;
};

// "Записывать раунды", kept in the game's settings file. Read from disk on every question: the
// diary of another process may have changed it since this game started.
class RecordingSwitch
{
public:
    explicit RecordingSwitch(const QString &settingsFile, const DiaryPolicy &policy = {})
        : m_file(settingsFile), m_policy(policy)
    {
    }

    bool isOn() const;
    // Does nothing when the administrator locked the switch.
    void set(bool on);
    // Why the switch cannot be turned, as a sentence; empty when it can.
    QString lockReason() const;

private:
    QString m_file;
    DiaryPolicy m_policy;
};
