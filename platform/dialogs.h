// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

/**
 * The questions a window may ask beside the notice box: where to save, whether to go on, a
 * line of text and what went wrong. Tests answer them without any box on the screen.
 */
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    /** The file chosen, or an empty string when the user changed their mind. */
    virtual QString saveFileName(QWidget *parent, const QString &title,
                                 const QString &suggested) = 0;
    virtual bool confirm(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void tell(QWidget *parent, const QString &title, const QString &text) = 0;
    /** A line of text, starting from initial; *ok is false when the user changed their mind. */
    virtual QString askText(QWidget *parent, const QString &title, const QString &label,
                            const QString &initial, bool *ok) = 0;
};
