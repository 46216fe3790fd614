// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

#include <memory>

// Opens the application as the game and the diary program both need it: a display that cannot be
// opened said in one line (status 1), X preferred to Wayland, and the game's names, which pick
// the diary file, the settings, the menu entry and the icon.
std::unique_ptr<QApplication> startApplication(int &argc, char **argv, const char *version,
                                               const char *appId);
