// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

/**
 * Opens web pages in the user's browser.
 */
class Browser
{
public:
    virtual ~Browser() = default;
    /** Opens the page in a new browser window; false when the page could not be opened. */
    virtual bool open(const QUrl &url) = 0;
};
