// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// What the game and the diary program do alike before and while QApplication opens the display.

// Qt explains a display it cannot open in several lines, advises a reinstall and aborts. While
// the application starts, say it in one line instead and leave with status 1.
void reportFatal(QtMsgType type, const QMessageLogContext &context, const QString &message);

// On a Wayland desktop Qt takes its Wayland platform, where a program cannot place its windows.
// Through Xwayland they are placed as on any X desktop, so X comes first whenever there is one
// and the user has chosen no platform. Returns whether the choice was ours.
bool preferX11();
