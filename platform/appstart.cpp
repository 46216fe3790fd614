// SPDX-License-Identifier: GPL-3.0-or-later
#include "appstart.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

void reportFatal(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        const QByteArray display = qgetenv("DISPLAY");
        if (display.isEmpty())
            std::fputs("kvadrilka: cannot open a display (DISPLAY is not set); start the game "
                       "from a graphical session\n",
                       stderr);
        else
            std::fprintf(stderr,
                         "kvadrilka: cannot open the display \"%s\"; start the game from a "
                         "graphical session\n",
                         display.constData());
        std::_Exit(1);
    }
    // The platform layer's own account of the failure is the line above, said better.
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0)
        return;
    const QByteArray text = message.section(QLatin1Char('\n'), 0, 0).toLocal8Bit();
    std::fprintf(stderr, "kvadrilka: %s\n", text.constData());
}

// The settings and about windows would not be centred under Wayland, nor the game window where
// the round expects it; Wayland, if there is one, stays as the fallback should X not answer.
bool preferX11()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    qputenv("QT_QPA_PLATFORM",
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb" : "xcb;wayland");
    return true;
}
