// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordingswitch.h"

#include <QSettings>

namespace {
QString key() { return QStringLiteral("diary/recording"); }
} // namespace

bool RecordingSwitch::isOn() const
{
    QSettings settings(m_file, QSettings::IniFormat);
    // A QSettings of the same file made earlier in this process may have left a stale copy.
    settings.sync();
    return settings.value(key(), true).toBool();
}

void RecordingSwitch::set(bool on)
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key(), on);
    settings.sync();
}
