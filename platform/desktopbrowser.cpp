// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopbrowser.h"
#include "desktopentry.h"
#include "detachedlauncher.h"
#include "xdgapplications.h"

#include <QDesktopServices>

DesktopBrowser::DesktopBrowser()
    : DesktopBrowser(std::make_unique<XdgApplications>(), std::make_unique<DetachedLauncher>(),
                     [](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
}

DesktopBrowser::DesktopBrowser(std::unique_ptr<Applications> applications,
                               std::unique_ptr<Launcher> launcher, Opener fallback)
    : m_applications(std::move(applications)), m_launcher(std::move(launcher)),
      m_fallback(std::move(fallback))
{
}

DesktopBrowser::~DesktopBrowser() = default;

bool DesktopBrowser::open(const QUrl &url) { return openInNewWindow(url) || m_fallback(url); }

bool DesktopBrowser::openInNewWindow(const QUrl &url)
{
    const QString path =
        m_applications->defaultFor(QStringLiteral("x-scheme-handler/") + url.scheme());
    if (path.isEmpty())
        return false;
    const std::optional<DesktopEntry> entry = DesktopEntry::read(path);
    const QString action = QStringLiteral("new-window");
    if (!entry || !entry->hasAction(action))
        return false;
    const std::optional<QStringList> command =
        entry->command(QStringLiteral("Desktop Action ") + action, url);
    return command && m_launcher->start(command->first(), command->mid(1));
}
