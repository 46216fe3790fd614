// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browser.h"

// Opens pages through the desktop's standard URL opener (xdg-open on Linux).
class DesktopBrowser : public Browser
{
public:
    bool open(const QUrl &url) override;
};
