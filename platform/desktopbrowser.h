// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "applications.h"
#include "browser.h"
#include "launcher.h"

#include <functional>
#include <memory>

// Opens each page in a new window of the user's default web browser, through the "new-window"
// action its desktop entry offers. A browser without one, or one that cannot be started, gets
// the page through the desktop's standard URL opener (xdg-open on Linux) instead, which may add
// a tab to a window already open.
class DesktopBrowser : public Browser
{
public:
    using Opener = std::function<bool(const QUrl &)>;

    // The desktop's own applications, programs and URL opener.
    DesktopBrowser();
    DesktopBrowser(std::unique_ptr<Applications> applications, std::unique_ptr<Launcher> launcher,
                   Opener fallback);
    ~DesktopBrowser() override;

    bool open(const QUrl &url) override;

private:
    bool openInNewWindow(const QUrl &url);

    std::unique_ptr<Applications> m_applications;
    std::unique_ptr<Launcher> m_launcher;
    Opener m_fallback;
};
