// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// A desktop entry file (or a mimeapps.list, which has the same form): groups of keys and values.
// Only what opening a page needs is read: plain values, lists, actions and the command line.
class DesktopEntry
{
public:
    // The file read and parsed; none when it cannot be read.
    static std::optional<DesktopEntry> read(const QString &path);
    // The text of a file; path is what the field code %k gives.
    static DesktopEntry parse(const QByteArray &text, const QString &path = QString());

    // The value with its escapes (\s, \n, \t, \r, \\) undone; empty when the key is missing.
    QString value(const QString &group, const QString &key) const;
    // A list value, split at the semicolons that are not escaped.
    QStringList list(const QString &group, const QString &key) const;
    bool hasGroup(const QString &group) const { return m_groups.contains(group); }
    // An application that may be started: of type Application and not marked hidden.
    bool isApplication() const;
    // Whether the entry offers the action, listed and with a group of its own.
    bool hasAction(const QString &action) const;

    // The command line of the group's Exec key, with the page put in: its field codes expanded
    // and its quoting undone, the program first. The address goes where %u or %U stands, or at
    // the end when neither does. None when the line is empty or broken.
    std::optional<QStringList> command(const QString &group, const QUrl &page) const;

private:
    QString m_path;
    // Raw values, as written after the equals sign.
    QHash<QString, QHash<QString, QString>> m_groups;
};
