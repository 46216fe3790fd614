// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox.h"
#include "measured.h"
#include "penaltycodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString suffix = QStringLiteral(".round");

// A point as [x, y]; left out when not known.
void putPoint(QJsonObject &object, const char *key, std::optional<QPointF> point)
{
    if (const std::optional<QPointF> known = measured::point(point))
        object.insert(QLatin1String(key), QJsonArray{known->x(), known->y()});
}

std::optional<QPointF> pointFrom(const QJsonValue &value)
{
    const QJsonArray xy = value.toArray();
    if (xy.size() != 2 || !xy[0].isDouble() || !xy[1].isDouble())
        return std::nullopt;
    return QPointF(xy[0].toDouble(), xy[1].toDouble());
}

QByteArray toJson(const Outbox::Letter &letter)
{
    const RoundRecord &record = letter.record;
    QJsonArray targets;
    for (const TargetRecord &t : record.targets) {
        QJsonObject target{
            {"number", t.number},
            {"shownAtMs", t.shownAtMs},
            {"hitAfterMs", t.hitAfterMs},
            {"penalties", penaltycodes::text(t.penalties)},
            {"misses", t.misses},
            {"distance", measured::orElse(t.distance, -1.0)},
            {"width", measured::orElse(t.width, 0.0)},
            {"movedAfterMs", t.movedAfterMs},
        };
        putPoint(target, "start", t.start);
        putPoint(target, "centre", t.centre);
        putPoint(target, "click", t.click);
        targets.append(target);
    }
    QJsonObject round{
        {"uuid", record.uuid.toString(QUuid::WithoutBraces)},
        // With its offset from UTC, as the diary keeps it: local time alone is ambiguous in the
        // hour the autumn clock change repeats. Letters written without one read as before.
        {"started", record.started.toOffsetFromUtc(record.started.offsetFromUtc())
                        .toString(Qt::ISODateWithMs)},
        {"level", record.level},
        {"rightButton", record.rightButton},
        {"doubleClick", record.doubleClick},
        {"ending", int(record.ending)},
        {"score", record.score},
        {"grade", record.grade},
        {"targets", targets},
        {"account", letter.child.account},
        {"child", letter.child.name},
    };
    if (!letter.child.identity.isNull())
        round.insert("childIdentity", letter.child.identity.toString(QUuid::WithoutBraces));
    return QJsonDocument(round).toJson(QJsonDocument::Compact);
}

std::optional<Outbox::Letter> fromJson(const QByteArray &bytes, const Child &owner)
{
    QJsonParseError error;
    const QJsonObject round = QJsonDocument::fromJson(bytes, &error).object();
    RoundRecord record;
    record.uuid = QUuid::fromString(round.value("uuid").toString());
    if (error.error != QJsonParseError::NoError || record.uuid.isNull())
        return std::nullopt;
    record.started = QDateTime::fromString(round.value("started").toString(), Qt::ISODateWithMs);
    record.level = round.value("level").toInt(1);
    record.rightButton = round.value("rightButton").toBool();
    record.doubleClick = round.value("doubleClick").toBool();
    record.ending = endingFromCode(round.value("ending").toInt());
    record.score = round.value("score").toInt();
    record.grade = round.value("grade").toString();
    for (const QJsonValue &value : round.value("targets").toArray()) {
        const QJsonObject t = value.toObject();
        record.targets.append({t.value("number").toInt(), qint64(t.value("shownAtMs").toDouble()),
                               qint64(t.value("hitAfterMs").toDouble(-1)),
                               penaltycodes::from(t.value("penalties").toString()),
                               t.value("misses").toInt(), t.value("distance").toDouble(-1),
                               t.value("width").toDouble(), pointFrom(t.value("start")),
                               pointFrom(t.value("centre")), pointFrom(t.value("click")),
                               qint64(t.value("movedAfterMs").toDouble(-1))});
    }
    // Letters written before children had an identity find their child by name.
    Child child{round.value("account").toString(), round.value("child").toString(),
                QUuid::fromString(round.value("childIdentity").toString())};
    if (child.name.isEmpty())
        child = owner;
    return Outbox::Letter{{}, record, child};
}

QString lastError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Without a sync of the folder a power cut may forget the rename and with it the round.
bool syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = Outbox::syncToDisk(fd) == 0;
    ::close(fd);
    return ok;
}

bool writeSynced(const QString &fileName, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    const bool ok = done == bytes.size() && Outbox::syncToDisk(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return ok;
}

} // namespace

int (*Outbox::syncToDisk)(int fd) = ::fsync;

bool Outbox::put(const Letter &letter, QString *error)
{
    const RoundRecord &record = letter.record;
    const bool made = QFileInfo::exists(m_folder);
    if (!made && (!QDir().mkpath(m_folder) || !syncFolder(QFileInfo(m_folder).absolutePath()))) {
        *error = QStringLiteral("cannot create %1").arg(m_folder);
        return false;
    }
    const QString name = m_folder + u'/' + record.uuid.toString(QUuid::WithoutBraces) + suffix;
    const QString temporary = name + QStringLiteral(".tmp");
    if (!writeSynced(temporary, toJson(letter)) ||
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(name).constData()) !=
            0 ||
        !syncFolder(m_folder)) {
        *error = QStringLiteral("%1: %2").arg(name, lastError());
        QFile::remove(temporary);
        return false;
    }
    return true;
}

QList<Outbox::Letter> Outbox::letters() const
{
    QList<Letter> letters;
    const QDir folder(m_folder);
    for (const QString &name : folder.entryList({QLatin1Char('*') + suffix}, QDir::Files)) {
        QFile file(folder.filePath(name));
        std::optional<Letter> letter =
            file.open(QIODevice::ReadOnly) ? fromJson(file.readAll(), m_owner) : std::nullopt;
        if (letter) {
            letter->fileName = file.fileName();
            letters.append(*letter);
        } else if (file.exists())
            QFile::rename(file.fileName(), file.fileName() + QStringLiteral(".unreadable"));
    }
    std::stable_sort(letters.begin(), letters.end(), [](const Letter &a, const Letter &b) {
        return a.record.started < b.record.started;
    });
    return letters;
}

bool Outbox::isEmpty() const
{
    return QDir(m_folder).entryList({QLatin1Char('*') + suffix}, QDir::Files).isEmpty();
}

void Outbox::remove(const Letter &letter)
{
    QFile::remove(letter.fileName);
    syncFolder(m_folder);
}

void Outbox::putAside(const Letter &letter)
{
    QFile::rename(letter.fileName, letter.fileName + QStringLiteral(".refused"));
}
