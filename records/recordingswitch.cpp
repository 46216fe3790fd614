// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordingswitch.h"

#include <QSettings>

namespace {
QString recordingKey() { return QStringLiteral("diary/recording"); }
} // namespace

bool RecordingSwitch::isOn() const
{
    const bool byDefault = m_policy.recording.value_or(true);
    if (m_policy.recordingLocked)
        return byDefault;
    QSettings settings(m_file, QSettings::IniFormat);
    // A QSettings of the same file made earlier in this process may have left a stale copy.
    settings.sync();
    return settings.value(recordingKey(), byDefault).toBool();
}

void RecordingSwitch::set(bool on)
{
    if (m_policy.recordingLocked)
        return;
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(recordingKey(), on);
    settings.sync();
}

QString RecordingSwitch::lockReason() const
{
    if (!m_policy.recordingLocked)
        return {};
    return isOn() ? QStringLiteral("Запись раундов включена администратором компьютера.")
                  : QStringLiteral("Запись раундов выключена администратором компьютера.");
}
