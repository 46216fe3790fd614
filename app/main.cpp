// SPDX-License-Identifier: GPL-3.0-or-later
#include "appquit.h"
#include "appstart.h"
#include "desktopbrowser.h"
#include "detachedlauncher.h"
#include "diaryprogram.h"
#include "platform.h"
#include "qtmessagebox.h"
#include "schoolconfig.h"
#include "schoolcourier.h"
#include "schoolsender.h"
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

#include <unistd.h>

namespace {

const char schoolCheckName[] = "school-check";
const char sendName[] = "send";

struct Options
{
    QCommandLineOption journal{QStringLiteral("journal"),
                               QStringLiteral("Open the training diary instead of the game.")};
    QCommandLineOption child{
        QStringLiteral("child"),
        QStringLiteral("Record this run's rounds for the child NAME (added when new), without "
                       "changing who plays next time."),
        QStringLiteral("NAME")};
    QCommandLineOption guest{
        QStringLiteral("guest"),
        QStringLiteral("Play without recording the rounds, where the admin allows it.")};
    QCommandLineOption schoolCheck{
        QLatin1String(schoolCheckName),
        QStringLiteral("Check the school's PostgreSQL server from kvadrilka/kvadrilka.conf: "
                       "whether it answers, as which role, whether that role may add rounds "
                       "and read the class. Opens no window.")};
    QCommandLineOption send{
        QLatin1String(sendName),
        QStringLiteral("Send this account's new rounds to the school's server now, say how many "
                       "went and how many wait and why, and end; the status is 1 when any still "
                       "wait. The game starts this by itself after each round. Opens no window.")};
    // How the game starts the sender: it keeps to the pause after a failure and says only the
    // beginning and the end of an outage.
    QCommandLineOption automatic{QStringLiteral("automatic"),
                                 QStringLiteral("With --send: as the game starts it.")};
    Options() { automatic.setFlags(QCommandLineOption::HiddenFromHelp); }
};

void addOptions(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Квадрилка: a mouse training game for children."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const QCommandLineOption *option :
         {&options.journal, &options.child, &options.guest, &options.schoolCheck, &options.send,
          &options.automatic})
        parser.addOption(*option);
}

// The modes that run on a console as well, where there is no display to open.
bool wants(int argc, char *argv[], const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0 && std::strcmp(argv[i] + 2, name) == 0)
            return true;
    }
    return false;
}

// The help and the version, which are read over ssh as well.
bool wantsHelpOrVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--child") == 0) {
            ++i; // a child's name, whatever it looks like
            continue;
        }
        for (const char *name : {"--help", "--help-all", "-h", "-?", "--version", "-v"}) {
            if (std::strcmp(argv[i], name) == 0)
                return true;
        }
    }
    return false;
}

// What the admin's file says that was not understood, once per start, on standard error.
void sayFaults(const SchoolConfig &config)
{
    for (const QString &line : config.faultLines())
        std::fprintf(stderr, "kvadrilka: %s\n", line.toLocal8Bit().constData());
}

int withoutWindows(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvadrilka"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVADRILKA_VERSION));
    QCommandLineParser parser;
    const Options options;
    addOptions(parser, options);
    parser.process(app);

    const SchoolConfig config = SchoolConfig::load();
    // A call into libpq that even a shut-down socket does not end: say why, and end.
    const auto giveUp = [](const char *what) {
        return [what](const SchoolFailure &failure) {
            std::fflush(stdout);
            std::fprintf(stderr, "kvadrilka: %s: %s\n", what, qPrintable(failure.line()));
            _exit(1);
        };
    };
    if (parser.isSet(options.schoolCheck)) {
        // Said here and by the game, not by --send: the game that starts it has said them.
        sayFaults(config);
        SchoolCheck check;
        if (config.hasServer()) {
            SchoolServer server(config.service);
            server.setLastResort(giveUp("--school-check"));
            check = server.check();
        } else {
            check = checkSchool(config);
        }
        for (const QString &line : std::as_const(check.lines))
            std::printf("%s\n", line.toLocal8Bit().constData());
        return check.ok ? 0 : 1;
    }
    const bool byHand = !parser.isSet(options.automatic);
    // Without a server no round waits to be sent: the diary keeps them.
    if (!config.hasServer()) {
        if (byHand)
            std::printf("No rounds sent: the school's server is %s\n",
                        qPrintable(checkSchool(config).lines.value(0).section(u':', 1).trimmed()));
        return 0;
    }
    const QString diaryFile = SqliteRecords::defaultFilePath();
    SqliteRecords diary(diaryFile, SqliteRecords::defaultSettingsFile());
    SchoolServer server(config.service);
    server.setLastResort(giveUp("--send"));
    SchoolSender sender(diary, diaryFile, server);
    const SchoolLimits limits;
    // By hand, a sender at work is waited for until its own deadline must have ended it.
    const SchoolSender::Outcome outcome =
        sender.run(QDateTime::currentDateTimeUtc(),
                   byHand ? SchoolSender::Mode::ByHand : SchoolSender::Mode::Automatic,
                   limits.deadlineMs() + 5000);
    if (!byHand)
        return outcome == SchoolSender::Outcome::Failed ? 1 : 0;
    const int waiting = diary.unsentCount().value_or(-1);
    std::printf("Rounds sent: %d\n", sender.sentCount());
    if (outcome == SchoolSender::Outcome::Busy)
        std::printf("Rounds waiting: %d (another kvadrilka --send of this account is still at "
                    "work)\n",
                    waiting);
    else if (waiting != 0)
        std::printf("Rounds waiting: %d (%s)\n", waiting,
                    sender.failure().isEmpty() ? "they go with the next run"
                                               : qPrintable(sender.failure()));
    else
        std::printf("Rounds waiting: 0\n");
    if (const int refused = diary.refusedCount().value_or(0); refused > 0)
        std::printf("Rounds the server refused: %d (%d in this run; kept on this computer and "
                    "not sent again)\n",
                    refused, sender.refusedCount());
    return waiting == 0 ? 0 : 1;
}

// A command line that makes no sense is said so, as the option parser itself does.
int refuseOptions(const QString &why)
{
    std::fprintf(stderr, "kvadrilka: %s\n", qPrintable(why));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (wants(argc, argv, schoolCheckName) || wants(argc, argv, sendName) ||
        wantsHelpOrVersion(argc, argv))
        return withoutWindows(argc, argv);
    const auto app = startApplication(argc, argv, KVADRILKA_VERSION, KVADRILKA_APP_ID);

    QCommandLineParser parser;
    const Options options;
    addOptions(parser, options);
    parser.process(*app);
    if (parser.isSet(options.child) && parser.isSet(options.guest))
        return refuseOptions(QStringLiteral("--child and --guest cannot be used together"));
    const QString childName = parser.value(options.child);
    if (const QString refusal = childnames::refusal(childName);
        parser.isSet(options.child) && !refusal.isEmpty())
        return refuseOptions(QStringLiteral("--child: %1").arg(refusal));

    const SchoolConfig config = SchoolConfig::load();
    sayFaults(config);

    QtMessageBox box;
    Notices messages(box);
    // The diary window is a program of its own: its charts would cost every game start.
    DiaryProgram diaryProgram(messages, {QStringLiteral(KVADRILKA_DIARY_INSTALLED),
                                         QStringLiteral(KVADRILKA_DIARY_BUILT)});
    if (parser.isSet(options.journal))
        return diaryProgram.replaceGame();

    // The diary opens its file only when a round ends: a game that is only played starts as
    // fast as before.
    SqliteRecords diary(SqliteRecords::defaultFilePath(), SqliteRecords::defaultSettingsFile(),
                        childnames::ofThisAccount(), config.policy);
    if (parser.isSet(options.guest) && !diary.playAsGuest())
        std::fputs("kvadrilka: playing without recording is turned off on this computer; this "
                   "game's rounds are recorded\n",
                   stderr);
    else if (parser.isSet(options.child))
        diary.playAs({diary.owner().account, childName});
    // Rounds go to the school's server, where there is one, from a program the game never
    // waits for; its lines on standard error are the game's.
    DetachedLauncher senderLauncher(false);
    SchoolCourier courier(diary, config.hasServer(), senderLauncher,
                          SqliteRecords::defaultFilePath(), QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--send"), QStringLiteral("--automatic")});
    // Rounds an earlier game could not write go in once the first window is up; an empty
    // outbox costs one look at a folder.
    QTimer::singleShot(0, &diary, [&diary, &courier] {
        diary.sendWaiting();
        courier.sendSoon();
    });

    SystemTimer pacingTimer;
    SystemClock clock;
    SeededRandom random;
    AppQuit quit;
    const auto browser = [] { return std::make_unique<DesktopBrowser>(); };
    const Platform platform{messages, pacingTimer, clock, random, quit, browser};

    StartWindow start(platform, DiaryAccess{&courier, [&diaryProgram] { diaryProgram.open(); }});
    start.show();
    return QApplication::exec();
}
