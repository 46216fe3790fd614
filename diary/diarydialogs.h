// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The questions the diary window asks: where to save, whether to go on, and what went wrong.
// Tests answer them without any box on the screen.
class DiaryDialogs
{
public:
    virtual ~DiaryDialogs() = default;
    // The file chosen, or an empty string when the player changed their mind.
    virtual QString saveFileName(QWidget *parent, const QString &title,
                                 const QString &suggested) = 0;
    virtual bool confirm(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void tell(QWidget *parent, const QString &title, const QString &text) = 0;
};

// The same with QFileDialog and QMessageBox, buttons in Russian.
class QtDiaryDialogs : public DiaryDialogs
{
public:
    QString saveFileName(QWidget *parent, const QString &title, const QString &suggested) override;
    bool confirm(QWidget *parent, const QString &title, const QString &text) override;
    void tell(QWidget *parent, const QString &title, const QString &text) override;
};
