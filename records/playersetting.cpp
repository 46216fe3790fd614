// SPDX-License-Identifier: GPL-3.0-or-later
#include "playersetting.h"

#include <QSettings>

namespace {
QString playerKey() { return QStringLiteral("diary/player"); }
// Kept beside the name, so that a round that waits in the outbox while the child is renamed, or
// while another child takes the name, still finds its child.
QString identityKey() { return QStringLiteral("diary/playerIdentity"); }
} // namespace

Child PlayerSetting::player() const
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.sync();
    const QString name = settings.value(playerKey()).toString();
    if (!childnames::refusal(name).isEmpty())
        return m_owner;
    return {m_owner.account, name, QUuid::fromString(settings.value(identityKey()).toString())};
}

void PlayerSetting::set(const Child &child)
{
    QSettings settings(m_file, QSettings::IniFormat);
    if (childnames::same(child, m_owner))
        settings.remove(playerKey());
    else
        settings.setValue(playerKey(), child.name);
    if (childnames::same(child, m_owner) || child.identity.isNull())
        settings.remove(identityKey());
    else
        settings.setValue(identityKey(), child.identity.toString(QUuid::WithoutBraces));
    settings.sync();
}
