// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * The applications installed on the desktop, as their desktop entries describe them.
 */
class Applications
{
public:
    virtual ~Applications() = default;
    /**
     * The desktop entry file of the user's default application for a MIME type (such as
     * x-scheme-handler/https); empty when none is set or the one set is not installed.
     */
    virtual QString defaultFor(const QString &mimeType) const = 0;
};
