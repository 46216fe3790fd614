// SPDX-License-Identifier: GPL-3.0-or-later
#include "appquit.h"
#include "appstart.h"
#include "desktopbrowser.h"
#include "diaryprogram.h"
#include "platform.h"
#include "qtmessagebox.h"
#include "seededrandom.h"
#include "sqliterecords.h"
#include "startwindow.h"
#include "systemclock.h"
#include "systemtimer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// A command line that makes no sense is said so, as the option parser itself does.
int refuseOptions(const QString &why)
{
    std::fprintf(stderr, "kvadrilka: %s\n", qPrintable(why));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const auto app = startApplication(argc, argv, KVADRILKA_VERSION, KVADRILKA_APP_ID);

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Квадрилка: a mouse training game for children."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption journal(
        QStringLiteral("journal"), QStringLiteral("Open the training diary instead of the game."));
    options.addOption(journal);
    const QCommandLineOption child(
        QStringLiteral("child"),
        QStringLiteral("Record this run's rounds for the child NAME (added when new), without "
                       "changing who plays next time."),
        QStringLiteral("NAME"));
    options.addOption(child);
    const QCommandLineOption guest(QStringLiteral("guest"),
                                   QStringLiteral("Play without recording the rounds."));
    options.addOption(guest);
    options.process(*app);
    if (options.isSet(child) && options.isSet(guest))
        return refuseOptions(QStringLiteral("--child and --guest cannot be used together"));
    const QString childName = options.value(child);
    if (const QString refusal = childnames::refusal(childName);
        options.isSet(child) && !refusal.isEmpty())
        return refuseOptions(QStringLiteral("--child: %1").arg(refusal));

    QtMessageBox box;
    Notices messages(box);
    // The diary window is a program of its own: its charts would cost every game start.
    DiaryProgram diaryProgram(messages, {QStringLiteral(KVADRILKA_DIARY_INSTALLED),
                                         QStringLiteral(KVADRILKA_DIARY_BUILT)});
    if (options.isSet(journal))
        return diaryProgram.replaceGame();

    // The diary opens its file only when a round ends: a game that is only played starts as
    // fast as before.
    SqliteRecords diary(SqliteRecords::defaultFilePath(), SqliteRecords::defaultSettingsFile());
    if (options.isSet(guest) && !diary.playAsGuest())
        std::fputs("kvadrilka: playing without recording is turned off on this computer; this "
                   "game's rounds are recorded\n",
                   stderr);
    else if (options.isSet(child))
        diary.playAs({diary.owner().account, childName});
    // Rounds an earlier game could not write go in once the first window is up; an empty
    // outbox costs one look at a folder.
    QTimer::singleShot(0, &diary, [&diary] { diary.sendWaiting(); });

    SystemTimer pacingTimer;
    SystemClock clock;
    SeededRandom random;
    AppQuit quit;
    const auto browser = [] { return std::make_unique<DesktopBrowser>(); };
    const Platform platform{messages, pacingTimer, clock, random, quit, browser};

    StartWindow start(platform, DiaryAccess{&diary, [&diaryProgram] { diaryProgram.open(); }});
    start.show();
    return QApplication::exec();
}
