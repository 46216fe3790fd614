// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "messagebox.h"

// The notice box on QMessageBox, with Russian button texts.
class QtMessageBox : public MessageBox
{
public:
    int show(const QString &text, int buttons, const QString &title) override;
};
