// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

const char relativePath[] = "kvadrilka/kvadrilka.conf";

// None when the value is no yes or no.
std::optional<bool> yesOrNo(const QString &written)
{
    const QString value = written.toLower();
    if (QStringList{"true", "yes", "on", "1"}.contains(value))
        return true;
    if (QStringList{"false", "no", "off", "0"}.contains(value))
        return false;
    return std::nullopt;
}

// The value as the admin meant it: no valid value holds '#' or ';', so either starts a comment,
// as it does at the start of a line.
QString valueOf(QString value)
{
    const qsizetype comment = value.indexOf(QRegularExpression(QStringLiteral("[#;]")));
    if (comment >= 0)
        value.truncate(comment);
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2).trimmed();
    return value;
}

// The key=value lines of the file, by "section/key"; what is no such line is a fault.
struct Lines
{
    QMap<QString, QPair<QString, ConfigFault>> values;
    QList<ConfigFault> faults;
};

Lines readLines(const QByteArray &text)
{
    static const QStringList known{"school/service", "diary/recording", "diary/lock-recording",
                                   "diary/allow-guest"};
    Lines lines;
    QString section;
    int number = 0;
    QString all = QString::fromUtf8(text);
    // A byte-order mark, as some editors write one, is no part of the first line.
    if (all.startsWith(QChar(0xfeff)))
        all.remove(0, 1);
    for (const QString &raw : all.split(u'\n')) {
        ++number;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const ConfigFault here{ConfigFault::NotASetting, number, line};
        if (line.startsWith(u'[')) {
            const qsizetype end = line.indexOf(u']');
            if (end < 0 || !valueOf(line.mid(end + 1)).isEmpty())
                lines.faults << here;
            else
                section = line.mid(1, end - 1).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            lines.faults << here;
            continue;
        }
        const QString key = section + u'/' + line.left(equals).trimmed();
        if (!known.contains(key)) {
            lines.faults << ConfigFault{ConfigFault::UnknownKey, number, line};
            continue;
        }
        lines.values[key] = {valueOf(line.mid(equals + 1)), here};
    }
    return lines;
}

} // namespace

bool isServiceName(const QString &name)
{
    if (name.isEmpty() || name.size() > 63)
        return false;
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

QString SchoolConfig::find()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    for (const QString &dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        // The base-directory rules ignore relative entries: they would depend on where the game
        // was started from.
        if (QDir::isRelativePath(dir))
            continue;
        const QString file = QDir(dir).filePath(QLatin1String(relativePath));
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

SchoolConfig SchoolConfig::load() { return load(find()); }

SchoolConfig SchoolConfig::load(const QString &file)
{
    SchoolConfig config;
    config.file = file;
    if (file.isEmpty())
        return config;
    QFile in(file);
    Lines lines;
    if (in.open(QIODevice::ReadOnly)) {
        lines = readLines(in.readAll());
    } else {
        lines.faults << ConfigFault{ConfigFault::Unreadable, 0, {}};
        config.problem = QStringLiteral("%1 cannot be read").arg(file);
    }

    // A setting given as the admin meant it; none when absent or not understood.
    const auto given = [&](const char *key) -> std::optional<bool> {
        const auto found = lines.values.constFind(QLatin1String(key));
        if (found == lines.values.cend())
            return std::nullopt;
        const std::optional<bool> value = yesOrNo(found->first);
        if (!value) {
            ConfigFault fault = found->second;
            fault.kind = ConfigFault::NotYesOrNo;
            lines.faults << fault;
        }
        return value;
    };
    const std::optional<bool> recording = given("diary/recording");
    const std::optional<bool> locked = given("diary/lock-recording");
    const std::optional<bool> guest = given("diary/allow-guest");
    if (const auto found = lines.values.constFind(QStringLiteral("school/service"));
        found != lines.values.cend()) {
        config.service = found->first;
        if (!config.service.isEmpty() && !isServiceName(config.service)) {
            ConfigFault fault = found->second;
            fault.kind = ConfigFault::BadServiceName;
            lines.faults << fault;
            config.problem = QStringLiteral("%1: the service name \"%2\" may hold only Latin "
                                            "letters, digits, '_', '-' and '.'")
                                 .arg(file, config.service);
        }
    }
    std::stable_sort(lines.faults.begin(), lines.faults.end(),
                     [](const ConfigFault &a, const ConfigFault &b) { return a.line < b.line; });
    config.faults = lines.faults;

    // A file not understood may have meant any setting it does not clearly give: those take the
    // choice that keeps the rounds.
    const bool strict = !config.faults.isEmpty();
    const auto choose = [&](const std::optional<bool> &value, bool byDefault, bool stricter,
                            const char *key) {
        if (value)
            return *value;
        if (!strict)
            return byDefault;
        config.stricter << QStringLiteral("%1=%2").arg(QLatin1String(key),
                                                       QLatin1String(stricter ? "true" : "false"));
        return stricter;
    };
    if (recording || strict)
        config.policy.recording = choose(recording, true, true, "recording");
    config.policy.recordingLocked = choose(locked, false, true, "lock-recording");
    // A lock that keeps every round keeps a grown-up's too, unless the admin says otherwise.
    config.policy.guestAllowed =
        choose(guest, !config.policy.recordingLocked, false, "allow-guest");
    return config;
}

QStringList SchoolConfig::faultLines() const
{
    QStringList out;
    for (const ConfigFault &fault : faults) {
        const QString where =
            fault.line > 0
                ? QStringLiteral("%1, line %2: \"%3\"").arg(file).arg(fault.line).arg(fault.written)
                : file;
        switch (fault.kind) {
        case ConfigFault::Unreadable:
            out << QStringLiteral("%1 cannot be read; no round is sent to a school server until "
                                  "it can")
                       .arg(where);
            break;
        case ConfigFault::NotASetting:
            out << QStringLiteral("%1 is no [section] and no key=value").arg(where);
            break;
        case ConfigFault::UnknownKey:
            out << QStringLiteral("%1 is not a known setting").arg(where);
            break;
        case ConfigFault::NotYesOrNo:
            out << QStringLiteral("%1 is neither true nor false").arg(where);
            break;
        case ConfigFault::BadServiceName:
            out << QStringLiteral("%1: a service name may hold only Latin letters, digits, '_', "
                                  "'-' and '.'; no round is sent to a school server")
                       .arg(where);
            break;
        }
    }
    if (!stricter.isEmpty())
        out << QStringLiteral("%1 is not clear, so the stricter choice applies: %2")
                   .arg(file, stricter.join(QLatin1String(", ")));
    return out;
}

QString SchoolConfig::faultNote() const
{
    if (faults.isEmpty())
        return {};
    QStringList what;
    for (const ConfigFault &fault : faults) {
        switch (fault.kind) {
        case ConfigFault::Unreadable:
            what << QStringLiteral("файл не читается, раунды ждут на этом компьютере");
            break;
        case ConfigFault::NotASetting:
        case ConfigFault::UnknownKey:
            what << QStringLiteral("строка %1 «%2» не понята").arg(fault.line).arg(fault.written);
            break;
        case ConfigFault::NotYesOrNo:
            what << QStringLiteral("в строке %1 «%2» не true и не false")
                        .arg(fault.line)
                        .arg(fault.written);
            break;
        case ConfigFault::BadServiceName:
            what << QStringLiteral("в строке %1 «%2» неверное имя сервиса")
                        .arg(fault.line)
                        .arg(fault.written);
            break;
        }
    }
    QString note = QStringLiteral("Ошибка в настройках администратора %1: %2.")
                       .arg(file, what.join(QLatin1String("; ")));
    if (!stricter.isEmpty())
        note += QStringLiteral(" Действует более строгий выбор: %1.")
                    .arg(stricter.join(QLatin1String(", ")));
    return note;
}
