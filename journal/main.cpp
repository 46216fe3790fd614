// SPDX-License-Identifier: GPL-3.0-or-later
// The diary window as a program of its own, started by the game (its shortcut, "--journal" and
// the menu's action): its charts need Qt Charts and OpenGL, which a game that is only played
// then never loads.
#include "appstart.h"
#include "design.h"
#include "diaryprogram.h"
#include "diaryfollower.h"
#include "diarywindow.h"
#include "qtdialogs.h"
#include "diarysource.h"
#include "sqliterecords.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <unistd.h>

int main(int argc, char *argv[])
{
    const auto app = startApplication(argc, argv, KVADRILKA_VERSION, KVADRILKA_APP_ID);

    const QString filePath = SqliteRecords::defaultFilePath();
    const SchoolConfig config = SchoolConfig::load();
    SqliteRecords diary(filePath, SqliteRecords::defaultSettingsFile(),
                        childnames::ofThisAccount(), config.policy);
    const DiarySource source = DiarySource::open(config, diary);
    QtDialogs dialogs;
    DiaryWindow window(*source.records, dialogs);
    DiaryFollower follower(diary, filePath);
    centreOnScreen(&window);
    window.show();
    // Rounds an earlier game could not write go in once the window is up; the file may only
    // now exist, so the watch begins after that.
    QTimer::singleShot(0, &diary, [&] {
        diary.sendWaiting();
        follower.watch();
    });
    // Started from a game, the diary listens to it: a line brings the window to the front, and
    // the end of the input, when the game quits or dies, closes the diary with it.
    std::unique_ptr<QSocketNotifier> game;
    if (QApplication::arguments().contains(DiaryProgram::fromGameOption())) {
        game = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(game.get(), &QSocketNotifier::activated, &window, [&] {
            char buffer[64];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
                game->setEnabled(false);
                QApplication::quit();
                return;
            }
            window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
            window.show();
            window.raise();
            window.activateWindow();
        });
    }
    return QApplication::exec();
}
