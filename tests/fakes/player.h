// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gamewindow.h"
#include "targetbox.h"
#include <QPushButton>
#include <QTest>

// A child's hand on the game window: real mouse events, as the windowing system delivers them.
namespace player {

inline TargetBox *target(const GameWindow &game)
{
    // Controls of an unloaded window go at the next turn of the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return game.findChild<TargetBox *>();
}
// A click on the target; a double click goes on with the double-click event in place of the
// second press, and its release. It stops once the window has gone (a round may end under it).
inline void clickTarget(GameWindow &game, Qt::MouseButton button, int events)
{
    using enum QTest::MouseAction;
    const QTest::MouseAction order[] = {MousePress, MouseRelease, MouseDClick, MouseRelease};
    for (int i = 0; i < events && game.isLoaded(); ++i)
        QTest::mouseEvent(order[i], target(game), button, {}, target(game)->rect().center());
}
inline void press(GameWindow &g, Qt::MouseButton b) { clickTarget(g, b, 2); }
inline void doubleClick(GameWindow &g, Qt::MouseButton b = Qt::LeftButton) { clickTarget(g, b, 4); }
inline void closeRound(GameWindow &game)
{
    QTest::mouseClick(game.findChild<QPushButton *>(), Qt::LeftButton);
}
} // namespace player

// The seed of a randomised test, taken from the environment to replay a failure.
inline quint32 seedFromEnvironment(const char *variable, quint32 fallback)
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable(variable).toUInt(&ok);
    return ok ? seed : fallback;
}

// The headless platform cannot raise a window and says so at every Start; expected in tests.
inline void quietRaiseWarnings()
{
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (message != QLatin1String("This plugin does not support raise()"))
                previous(type, context, message);
        });
}
