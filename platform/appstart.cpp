// SPDX-License-Identifier: GPL-3.0-or-later
#include "appstart.h"

#include <QByteArray>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// Qt's own texts (the file dialog's, the context menus') in the language in use, where Qt has a
// translation installed; the program's own texts are Russian whatever the language.
void loadQtTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

std::unique_ptr<QApplication> startApplication(int &argc, char **argv, const char *version,
                                               const char *appId)
{
    const bool platformChosen = preferX11();
    const QtMessageHandler previous = qInstallMessageHandler(reportFatal);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    // Programs started from here, such as the browser, choose their platform themselves.
    if (platformChosen)
        qunsetenv("QT_QPA_PLATFORM");
    // No display name: the platform would append it to every title, and the titles of the
    // windows and notices are exactly what they say, leading blanks and all.
    QApplication::setApplicationName(QStringLiteral("kvadrilka"));
    QApplication::setApplicationVersion(QString::fromUtf8(version));
    // Lets the desktop match the windows to the installed menu entry and its icon; looking the
    // icon up in the theme ourselves would only slow the start.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(appId));
    loadQtTranslations(*app);
    return app;
}
