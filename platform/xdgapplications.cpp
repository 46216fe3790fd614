// SPDX-License-Identifier: GPL-3.0-or-later
#include "xdgapplications.h"
#include "desktopentry.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A folder variable as the base directory rules read it: relative paths do not count.
QStringList folders(const char *variable, const QString &fallback, bool many)
{
    const QString value = qEnvironmentVariable(variable);
    const QStringList given =
        many ? value.split(QLatin1Char(':'), Qt::SkipEmptyParts) : QStringList{value};
    QStringList absolute;
    for (const QString &folder : given) {
        if (QDir::isAbsolutePath(folder))
            absolute.append(QDir::cleanPath(folder));
    }
    if (absolute.isEmpty())
        absolute = fallback.split(QLatin1Char(':'));
    return absolute;
}

QStringList configFolders()
{
    return folders("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"), false) +
           folders("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"), true);
}

// The applications folders of the data folders, the user's own first.
QStringList applicationFolders()
{
    QStringList data =
        folders("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"), false) +
        folders("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"), true);
    for (QString &folder : data)
        folder += QStringLiteral("/applications");
    return data;
}

// An ID names a file below an applications folder, with "-" for each "/" between folders:
// "vendor-browser.desktop" may be vendor/browser.desktop.
QString findBelow(const QString &folder, const QString &id)
{
    const QString direct = folder + QLatin1Char('/') + id;
    if (QFileInfo(direct).isFile())
        return direct;
    for (qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0;
         dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString below = folder + QLatin1Char('/') + id.left(dash);
        if (QFileInfo(below).isDir()) {
            if (QString found = findBelow(below, id.mid(dash + 1)); !found.isEmpty())
                return found;
        }
    }
    return QString();
}

} // namespace

QStringList XdgApplications::listFiles()
{
    QStringList desktops;
    for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                                      .toLower()
                                      .split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops.append(desktop + QStringLiteral("-mimeapps.list"));
    desktops.append(QStringLiteral("mimeapps.list"));
    QStringList files;
    for (const QString &folder : configFolders() + applicationFolders()) {
        for (const QString &name : desktops)
            files.append(folder + QLatin1Char('/') + name);
    }
    return files;
}

QString XdgApplications::entryPath(const QString &id)
{
    // An ID is a file name, never a path of its own.
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || !id.endsWith(QLatin1String(".desktop")))
        return QString();
    for (const QString &folder : applicationFolders()) {
        if (QString found = findBelow(folder, id); !found.isEmpty())
            return found;
    }
    return QString();
}

QString XdgApplications::defaultFor(const QString &mimeType) const
{
    // The first installed application of a list is the default; when none of a list is
    // installed, the next file decides.
    for (const QString &file : listFiles()) {
        const std::optional<DesktopEntry> list = DesktopEntry::read(file);
        if (!list)
            continue;
        for (const QString &id : list->list(QStringLiteral("Default Applications"), mimeType)) {
            const QString path = entryPath(id);
            if (path.isEmpty())
                continue;
            if (const std::optional<DesktopEntry> entry = DesktopEntry::read(path);
                entry && entry->isApplication())
                return path;
        }
    }
    return QString();
}
