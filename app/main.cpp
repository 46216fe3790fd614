// SPDX-License-Identifier: GPL-3.0-or-later
#include "appquit.h"
#include "appstart.h"
#include "desktopbrowser.h"
#include "diaryprogram.h"
#include "platform.h"
#include "qtmessagebox.h"
#include "schoolconfig.h"
#include "schoolserver.h"
#include "seededrandom.h"
#include "sqliterecords.h"
#include "startwindow.h"
#include "systemclock.h"
#include "systemtimer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char schoolCheckName[] = "school-check";

struct Options
{
    QCommandLineOption journal{QStringLiteral("journal"),
                               QStringLiteral("Open the training diary instead of the game.")};
    QCommandLineOption schoolCheck{
        QLatin1String(schoolCheckName),
        QStringLiteral("Check the school's PostgreSQL server from kvadrilka/kvadrilka.conf: "
                       "whether it answers, as which role, whether that role may add rounds "
                       "and read the class. Opens no window.")};
};

void addOptions(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Квадрилка: a mouse training game for children."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(options.journal);
    parser.addOption(options.schoolCheck);
}

// Runs on a server's console as well, where there is no display to open.
bool wantsSchoolCheck(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0 && std::strcmp(argv[i] + 2, schoolCheckName) == 0)
            return true;
    }
    return false;
}

int schoolCheck(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvadrilka"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVADRILKA_VERSION));
    QCommandLineParser parser;
    const Options options;
    addOptions(parser, options);
    parser.process(app);

    const SchoolCheck check = checkSchool(SchoolConfig::load());
    for (const QString &line : std::as_const(check.lines))
        std::printf("%s\n", line.toLocal8Bit().constData());
    return check.ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (wantsSchoolCheck(argc, argv))
        return schoolCheck(argc, argv);
    const auto app = startApplication(argc, argv, KVADRILKA_VERSION, KVADRILKA_APP_ID);

    QCommandLineParser parser;
    const Options options;
    addOptions(parser, options);
    parser.process(*app);

    QtMessageBox box;
    Notices messages(box);
    // The diary window is a program of its own: its charts would cost every game start.
    DiaryProgram diaryProgram(messages, {QStringLiteral(KVADRILKA_DIARY_INSTALLED),
                                         QStringLiteral(KVADRILKA_DIARY_BUILT)});
    if (parser.isSet(options.journal))
        return diaryProgram.replaceGame();

    // The diary opens its file only when a round ends: a game that is only played starts as
    // fast as before.
    SqliteRecords diary(SqliteRecords::defaultFilePath(), SqliteRecords::defaultSettingsFile());
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
