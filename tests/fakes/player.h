// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gamewindow.h"
#include "rules.h"
#include "targetbox.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTest>

// A child's hand on the game window: real mouse events, delivered the way the windowing system
// delivers them. Every step stops once the window has gone (a round may end under the hand).
namespace player {

inline TargetBox *target(const GameWindow &game)
{
    // Controls of an unloaded window go at the next turn of the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return game.findChild<TargetBox *>(QStringLiteral("Picture1"));
}

inline void press(GameWindow &game, Qt::MouseButton button)
{
    TargetBox *box = target(game);
    QTest::mousePress(box, button, {}, box->rect().center());
    if (game.isLoaded())
        QTest::mouseRelease(box, button, {}, box->rect().center());
}

// A real double click: the first click, then the double-click event in place of a second press.
inline void doubleClick(GameWindow &game, Qt::MouseButton button = Qt::LeftButton)
{
    press(game, button);
    if (!game.isLoaded())
        return;
    TargetBox *box = target(game);
    QTest::mouseDClick(box, button, {}, box->rect().center());
    if (game.isLoaded())
        QTest::mouseRelease(box, button, {}, box->rect().center());
}

// A click on an empty spot of the field, away from the labels and wherever the target stands.
inline void missClick(GameWindow &game)
{
    const QPoint spot = target(game)->geometry().adjusted(-2, -2, 2, 2).contains(QPoint(380, 300))
                            ? QPoint(100, 450)
                            : QPoint(380, 300);
    QTest::mouseClick(&game, Qt::LeftButton, {}, spot);
}

inline void closeRound(GameWindow &game)
{
    QTest::mouseClick(game.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
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
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (message != QLatin1String("This plugin does not support raise()"))
                previous(type, context, message);
        });
}
