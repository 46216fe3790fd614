// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "quit.h"

// Ends the program by closing every window and leaving every running event loop.
class AppQuit : public Quit
{
public:
    void quit() override;
    bool isQuitting() const override { return m_quitting; }

private:
    bool m_quitting = false;
};
