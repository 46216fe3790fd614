// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopbrowser.h"

#include <QDesktopServices>

bool DesktopBrowser::open(const QUrl &url) { return QDesktopServices::openUrl(url); }
