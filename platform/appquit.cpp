// SPDX-License-Identifier: GPL-3.0-or-later
#include "appquit.h"

#include <QApplication>

void AppQuit::quit()
{
    m_quitting = true;
    QApplication::closeAllWindows();
    // exit() also ends nested loops, such as a notice box that is up at this moment.
    QApplication::exit(0);
}
