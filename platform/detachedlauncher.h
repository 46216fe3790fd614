// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "launcher.h"

// Starts programs detached from the game, so that a browser stays open when the game ends.
class DetachedLauncher : public Launcher
{
public:
    // A quiet program's output goes nowhere; otherwise it shares the game's.
    explicit DetachedLauncher(bool quiet = true) : m_quiet(quiet) {}
    bool start(const QString &program, const QStringList &arguments) override;

private:
    bool m_quiet;
};
