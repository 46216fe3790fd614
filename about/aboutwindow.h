// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform.h"

#include <QWidget>

// Placeholder until the about window is built.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(const Platform &platform, QWidget *parent = nullptr);
    // Shows the window, loading it first if needed; an open window is brought forward.
    void open();

private:
    Platform m_platform;
};
