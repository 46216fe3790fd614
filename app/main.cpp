// SPDX-License-Identifier: GPL-3.0-or-later
#include "appquit.h"
#include "design.h"
#include "desktopbrowser.h"
#include "diarywindow.h"
#include "platform.h"
#include "qtdialogs.h"
#include "qtmessagebox.h"
#include "seededrandom.h"
#include "sqliterecords.h"
#include "startwindow.h"
#include "systemclock.h"
#include "systemtimer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
// Qt explains a display it cannot open in several lines, advises a reinstall and aborts. While
// the application starts, say it in one line instead and leave with status 1.
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

// On a Wayland desktop Qt takes its Wayland platform, where a program cannot place its windows:
// the settings and about windows would not be centred, nor the game window where the round
// expects it. Through Xwayland they are placed as on any X desktop, so X comes first whenever
// there is one and the user has chosen no platform; Wayland, if there is one, stays as the
// fallback should X not answer. Returns whether the choice was ours.
bool preferX11()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    qputenv("QT_QPA_PLATFORM",
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb" : "xcb;wayland");
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    const bool platformChosen = preferX11();
    const QtMessageHandler previous = qInstallMessageHandler(reportFatal);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    // Programs started from the game, such as the browser, choose their platform themselves.
    if (platformChosen)
        qunsetenv("QT_QPA_PLATFORM");
    // No display name: the platform would append it to every title, and the titles of the
    // windows and notices are exactly what they say, leading blanks and all.
    QApplication::setApplicationName(QStringLiteral("kvadrilka"));
    QApplication::setApplicationVersion(QStringLiteral(KVADRILKA_VERSION));
    // Lets the desktop match the windows to the installed menu entry and its icon; looking the
    // icon up in the theme ourselves would only slow the start.
    QGuiApplication::setDesktopFileName(QStringLiteral(KVADRILKA_APP_ID));

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Квадрилка: a mouse training game for children."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption journal(
        QStringLiteral("journal"), QStringLiteral("Open the training diary instead of the game."));
    options.addOption(journal);
    options.process(app);

    // The diary opens its file only when a round ends or its window is shown, and the window
    // is made on first use: a game that is only played starts as fast as before.
    SqliteRecords diary(SqliteRecords::defaultFilePath(),
                        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                            QStringLiteral("/kvadrilka.conf"));
    QtDialogs dialogs;
    std::unique_ptr<DiaryWindow> diaryWindow;
    const auto openDiary = [&] {
        if (!diaryWindow) {
            diaryWindow = std::make_unique<DiaryWindow>(diary, dialogs);
            centreOnScreen(diaryWindow.get());
        }
        diaryWindow->show();
        diaryWindow->raise();
        diaryWindow->activateWindow();
    };
    // Rounds an earlier game could not write go in once the first window is up; an empty
    // outbox costs one look at a folder.
    QTimer::singleShot(0, &diary, [&diary] { diary.sendWaiting(); });
    if (options.isSet(journal)) {
        openDiary();
        return QApplication::exec();
    }

    QtMessageBox box;
    Notices messages(box);
    SystemTimer pacingTimer;
    SystemClock clock;
    SeededRandom random;
    AppQuit quit;
    const auto browser = [] { return std::make_unique<DesktopBrowser>(); };
    const Platform platform{messages, pacingTimer, clock, random, quit, browser};

    StartWindow start(platform, DiaryAccess{&diary, openDiary});
    start.show();
    return QApplication::exec();
}
