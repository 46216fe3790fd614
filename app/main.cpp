// SPDX-License-Identifier: GPL-3.0-or-later
#include "appquit.h"
#include "desktopbrowser.h"
#include "platform.h"
#include "qtmessagebox.h"
#include "seededrandom.h"
#include "startwindow.h"
#include "systemclock.h"
#include "systemtimer.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {
// Qt reports a display it cannot open as a fatal error and aborts; say it in one line instead.
void reportFatal(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QByteArray text = message.section(QLatin1Char('\n'), 0, 0).toLocal8Bit();
    std::fprintf(stderr, "kvadrilka: %s\n", text.constData());
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "kvadrilka: cannot open the display; is a graphical session "
                             "running (DISPLAY or WAYLAND_DISPLAY)?\n");
        std::_Exit(1);
    }
}
} // namespace

int main(int argc, char *argv[])
{
    const QtMessageHandler previous = qInstallMessageHandler(reportFatal);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("kvadrilka"));
    QApplication::setApplicationDisplayName(QStringLiteral("Квадрилка"));
    QApplication::setApplicationVersion(QStringLiteral(KVADRILKA_VERSION));

    QtMessageBox messages;
    SystemTimer timer;
    SystemClock clock;
    SeededRandom random;
    AppQuit quit;
    const Platform platform{messages, timer, clock, random, quit,
                            [] { return std::make_unique<DesktopBrowser>(); }};

    StartWindow start(platform);
    start.show();
    return QApplication::exec();
}
