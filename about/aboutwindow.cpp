// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"

AboutWindow::AboutWindow(const Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window), m_platform(platform)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("О программе"));
}

void AboutWindow::open()
{
    show();
    raise();
    activateWindow();
}
