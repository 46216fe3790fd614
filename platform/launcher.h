// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

/**
 * Starts other programs, such as the web browser, to run on their own.
 */
class Launcher
{
public:
    virtual ~Launcher() = default;
    /**
     * Starts the program (a path, or a name looked up in PATH) with exactly these arguments,
     * never through a shell. False when it could not be started.
     */
    virtual bool start(const QString &program, const QStringList &arguments) = 0;
};
