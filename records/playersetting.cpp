// SPDX-License-Identifier: GPL-3.0-or-later
#include "playersetting.h"

#include <QSettings>

namespace {
QString key() { return QStringLiteral("diary/player"); }
} // namespace

Child PlayerSetting::player() const
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.sync();
    const QString name = settings.value(key()).toString();
    return childnames::refusal(name).isEmpty() ? Child{m_owner.account, name} : m_owner;
}

void PlayerSetting::set(const Child &child)
{
    QSettings settings(m_file, QSettings::IniFormat);
    if (childnames::same(child, m_owner))
        settings.remove(key());
    else
        settings.setValue(key(), child.name);
    settings.sync();
}
