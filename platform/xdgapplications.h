// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "applications.h"

#include <QStringList>

// The defaults of the desktop's mimeapps.list files, looked up anew at every question through
// the configuration and data folders of the environment (XDG_CONFIG_HOME, XDG_CONFIG_DIRS,
// XDG_DATA_HOME, XDG_DATA_DIRS, XDG_CURRENT_DESKTOP), in the order the desktops agree on.
class XdgApplications : public Applications
{
public:
    QString defaultFor(const QString &mimeType) const override;

    // The mimeapps.list files to read, the most important first (those that exist or not).
    static QStringList listFiles();
    // Where the desktop entry with this ID is installed; empty when nowhere.
    static QString entryPath(const QString &id);
};
