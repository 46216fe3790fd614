// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * A modal notice box. Takes the text, a button-set code and the title and returns the code of
 * the button the player pressed. Texts use CR LF line breaks.
 *
 * Button sets: OkOnly (the OK button answers Ok, and so does closing the box) and
 * CancelTryContinue (Cancel, Try Again, Continue; closing the box answers Cancel).
 */
class MessageBox
{
public:
    enum Buttons { OkOnly = 0, CancelTryContinue = 6 };
    enum Answer { Ok = 1, Cancel = 2, TryAgain = 10, Continue = 11 };

    virtual ~MessageBox() = default;
    virtual int show(const QString &text, int buttons, const QString &title) = 0;
};
