// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolconfig.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace {

const char relativePath[] = "kvadrilka/kvadrilka.conf";

// None when the value is missing or is no yes or no: the setting keeps its default.
std::optional<bool> yesOrNo(const QSettings &settings, const char *key)
{
    const QString value = settings.value(QLatin1String(key)).toString().trimmed().toLower();
    if (QStringList{"true", "yes", "on", "1"}.contains(value))
        return true;
    if (QStringList{"false", "no", "off", "0"}.contains(value))
        return false;
    return std::nullopt;
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
    if (!QFileInfo(file).isReadable()) {
        config.problem = QStringLiteral("%1 cannot be read").arg(file);
        return config;
    }
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        config.problem = QStringLiteral("%1 is not a settings file that can be read").arg(file);
        return config;
    }
    config.policy.recording = yesOrNo(settings, "diary/recording");
    // Locked without a value, the lock holds recording on: the administrator wants the rounds.
    config.policy.recordingLocked = yesOrNo(settings, "diary/lock-recording").value_or(false);
    config.policy.guestAllowed = yesOrNo(settings, "diary/allow-guest").value_or(true);
    config.service = settings.value(QStringLiteral("school/service")).toString().trimmed();
    if (!config.service.isEmpty() && !isServiceName(config.service))
        config.problem =
            QStringLiteral("%1: the service name \"%2\" may hold only Latin letters, digits, '_', "
                           "'-' and '.'")
                .arg(file, config.service);
    return config;
}
