// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopentry.h"

#include <QFile>

namespace {
const QString mainGroup = QStringLiteral("Desktop Entry");

// Undoes the escapes of a string value; inside a list, "\;" stands for a semicolon.
QString unescape(const QString &raw, bool inList)
{
    QString text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            text += c;
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
        case 's':
            text += QLatin1Char(' ');
            break;
        case 'n':
            text += QLatin1Char('\n');
            break;
        case 't':
            text += QLatin1Char('\t');
            break;
        case 'r':
            text += QLatin1Char('\r');
            break;
        case '\\':
            text += QLatin1Char('\\');
            break;
        case ';':
            text += inList ? QString(QLatin1Char(';')) : QStringLiteral("\\;");
            break;
        default:
            text += c;
            text += next;
        }
    }
    return text;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}
} // namespace

std::optional<DesktopEntry> DesktopEntry::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.readAll(), path);
}

DesktopEntry DesktopEntry::parse(const QByteArray &text, const QString &path)
{
    DesktopEntry entry;
    entry.m_path = path;
    QHash<QString, QString> *group = nullptr;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2);
            // A group written twice is broken; its second copy is left out.
            group = entry.m_groups.contains(name) ? nullptr : &entry.m_groups[name];
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!group || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!group->contains(key))
            group->insert(key, line.mid(equals + 1).trimmed());
    }
    return entry;
}

QString DesktopEntry::value(const QString &group, const QString &key) const
{
    return unescape(m_groups.value(group).value(key), false);
}

QStringList DesktopEntry::list(const QString &group, const QString &key) const
{
    const QString raw = m_groups.value(group).value(key);
    QStringList items;
    QString item;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
            item += raw[i];
            item += raw[++i];
        } else if (raw[i] == QLatin1Char(';')) {
            items.append(unescape(item, true));
            item.clear();
        } else {
            item += raw[i];
        }
    }
    if (!item.isEmpty())
        items.append(unescape(item, true));
    items.removeAll(QString());
    return items;
}

bool DesktopEntry::isApplication() const
{
    return value(mainGroup, QStringLiteral("Type")) == QLatin1String("Application") &&
           value(mainGroup, QStringLiteral("Hidden")) != QLatin1String("true");
}

bool DesktopEntry::hasAction(const QString &action) const
{
    return list(mainGroup, QStringLiteral("Actions")).contains(action) &&
           hasGroup(QStringLiteral("Desktop Action ") + action);
}

std::optional<QStringList> DesktopEntry::command(const QString &group, const QUrl &page) const
{
    const QString exec = value(group, QStringLiteral("Exec"));
    const QString address = page.toString(QUrl::FullyEncoded);
    QStringList arguments;
    QString argument;
    // Whether an argument has begun: an argument of nothing but a field code that expands to
    // nothing is left out, while "" is an empty argument of its own.
    bool begun = false;
    bool quoted = false;
    bool pagePut = false;
    const auto endArgument = [&] {
        if (begun)
            arguments.append(argument);
        argument.clear();
        begun = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            // Inside quotes a backslash keeps the next of " ` $ \ as it is; field codes are text.
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                     QStringLiteral("\"`$\\").contains(exec[i + 1]))
                argument += exec[++i];
            else
                argument += c;
            continue;
        }
        if (isBlank(c)) {
            endArgument();
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            begun = true;
        } else if (c != QLatin1Char('%')) {
            argument += c;
            begun = true;
        } else {
            // The program is named outright, never by a field code.
            if (++i == exec.size() || arguments.isEmpty())
                return std::nullopt;
            const bool alone = !begun && (i + 1 == exec.size() || isBlank(exec[i + 1]));
            switch (exec[i].unicode()) {
            case '%':
                argument += QLatin1Char('%');
                begun = true;
                break;
            case 'u':
            case 'U':
                argument += address;
                begun = true;
                pagePut = true;
                break;
            case 'i':
                if (const QString icon = value(mainGroup, QStringLiteral("Icon"));
                    alone && !icon.isEmpty())
                    arguments << QStringLiteral("--icon") << icon;
                break;
            case 'c':
                argument += value(mainGroup, QStringLiteral("Name"));
                begun = true;
                break;
            case 'k':
                argument += m_path;
                begun = true;
                break;
            // Files (a web page is none) and the codes no longer in use expand to nothing.
            case 'f':
            case 'F':
            case 'd':
            case 'D':
            case 'n':
            case 'N':
            case 'v':
            case 'm':
                break;
            default:
                return std::nullopt;
            }
        }
    }
    if (quoted)
        return std::nullopt;
    endArgument();
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return std::nullopt;
    if (!pagePut)
        arguments.append(address);
    return arguments;
}
