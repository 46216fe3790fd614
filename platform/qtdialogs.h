// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs.h"

// The questions on QFileDialog, QMessageBox and QInputDialog, with Russian buttons.
class QtDialogs : public Dialogs
{
public:
    QString saveFileName(QWidget *parent, const QString &title, const QString &suggested) override;
    bool confirm(QWidget *parent, const QString &title, const QString &text) override;
    void tell(QWidget *parent, const QString &title, const QString &text) override;
    QString askText(QWidget *parent, const QString &title, const QString &label,
                    const QString &initial, bool *ok) override;
};
