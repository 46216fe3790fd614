// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqliterecords.h"
#include "roundrows.h"
#include "stephook.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>

#include <cstdio>

SqliteRecords::SqliteRecords(const QString &filePath, const QString &settingsFile, QObject *parent)
    : Records(parent), m_failures(filePath), m_file(filePath, m_failures),
      m_outbox(filePath + QStringLiteral(".outbox")), m_switch(settingsFile)
{
}

SqliteRecords::~SqliteRecords()
{
    if (m_inMemory.isEmpty() && m_outbox.isEmpty())
        return;
    m_file.setBusyTimeout(quitWaitMs);
    sendWaiting();
    if (!m_inMemory.isEmpty())
        std::fprintf(stderr, "kvadrilka: %d rounds could not be kept for the diary\n",
                     int(m_inMemory.size()));
}

QString SqliteRecords::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/diary.sqlite");
}

QString SqliteRecords::defaultSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/kvadrilka.conf");
}

void SqliteRecords::roundEnded(const RoundRecord &record)
{
    // The game goes on whatever happens here, even when memory runs out.
    try {
        // The switch as it is now: the diary window of another game may have turned it.
        if (!m_switch.isOn()) {
            // Rounds played while it was on still go in.
            sendWaiting();
            return;
        }
        RoundRecord round = record;
        if (round.uuid.isNull())
            round.uuid = QUuid::createUuid();
        send(&round);
    } catch (...) {
        std::fputs("kvadrilka: a round could not be kept for the diary\n", stderr);
    }
}

int SqliteRecords::unsavedCount() const
{
    return int(m_outbox.letters().size() + m_inMemory.size());
}

bool SqliteRecords::sendWaiting() { return send(nullptr); }

bool SqliteRecords::send(const RoundRecord *fresh)
{
    // Older rounds first, so that the diary gets them in the order they were played.
    QList<Outbox::Letter> letters = m_outbox.letters();
    for (const RoundRecord &record : std::as_const(m_inMemory))
        letters.append({{}, record});
    if (fresh)
        letters.append({{}, *fresh});
    if (letters.isEmpty())
        return true;
    bool startedAfresh = false;
    bool sent = false;
    for (qsizetype i = 0; i < letters.size(); ++i) {
        const Outbox::Letter &letter = letters.at(i);
        QSqlError error;
        const bool written =
            m_file.write([&](const QSqlDatabase &db,
                             QSqlError *e) { return roundrows::insert(db, letter.record, e); },
                         &error);
        const auto done = [&] {
            if (letter.fileName.isEmpty())
                m_inMemory.removeIf(
                    [&](const RoundRecord &r) { return r.uuid == letter.record.uuid; });
            else
                m_outbox.remove(letter);
            if (fresh && letter.record.uuid == fresh->uuid)
                fresh = nullptr;
        };
        if (written) {
            stephook::reached("round-committed");
            done();
            sent = true;
            continue;
        }
        // Not opened: already told why.
        if (error.type() == QSqlError::NoError)
            break;
        const Failures::Kind kind = Failures::kindOf(error);
        if (kind == Failures::Damaged && !startedAfresh) {
            startedAfresh = true;
            if (!m_file.startAfresh(Failures::oneLine(error)))
                break;
            --i;
            continue;
        }
        // A round the file refuses would refuse again and hold up every round after it.
        if (kind == Failures::Refused) {
            m_failures.fail(kind, Failures::oneLine(error),
                            letter.record.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            if (letter.fileName.isEmpty())
                done();
            else
                m_outbox.putAside(letter);
            continue;
        }
        // Damaged again right after a fresh start is no longer the file's fault.
        m_failures.fail(kind == Failures::Damaged ? Failures::Write : kind,
                        Failures::oneLine(error));
        break;
    }
    // A fresh round the diary could not take now is on disk before the game goes on.
    if (fresh) {
        QString error;
        if (!m_outbox.put(*fresh, &error)) {
            std::fprintf(stderr, "kvadrilka: cannot keep the round in the outbox: %s\n",
                         error.toLocal8Bit().constData());
            m_inMemory.append(*fresh);
        }
    }
    m_failures.setWaiting(m_inMemory.isEmpty() ? Failures::Waiting::Outbox
                                               : Failures::Waiting::Memory);
    const bool allSent = m_inMemory.isEmpty() && m_outbox.isEmpty();
    if (allSent)
        m_failures.recovered();
    if (sent || allSent)
        emit changed();
    return allSent;
}

std::optional<QList<DiaryRound>> SqliteRecords::rounds()
{
    if (!m_file.ensureOpen())
        return std::nullopt;
    QList<DiaryRound> result;
    QSqlError error;
    if (!roundrows::rounds(m_file.database(), &result, &error)) {
        readFailed(error);
        return std::nullopt;
    }
    return result;
}

QList<TargetRecord> SqliteRecords::targets(qint64 roundId)
{
    QList<TargetRecord> result;
    QSqlError error;
    if (m_file.ensureOpen() && !roundrows::targets(m_file.database(), roundId, &result, &error))
        readFailed(error);
    return result;
}

void SqliteRecords::readFailed(const QSqlError &error)
{
    const Failures::Kind kind = Failures::kindOf(error);
    if (kind == Failures::Damaged)
        m_file.startAfresh(Failures::oneLine(error));
    else
        m_failures.fail(kind == Failures::Write ? Failures::Read : kind, Failures::oneLine(error));
}

bool SqliteRecords::clear()
{
    QSqlError error;
    if (!m_file.write(roundrows::removeAll, &error)) {
        if (error.type() != QSqlError::NoError)
            m_failures.fail(Failures::kindOf(error), Failures::oneLine(error));
        return false;
    }
    // Rounds on their way in would come back after the diary was cleared.
    m_inMemory.clear();
    for (const Outbox::Letter &letter : m_outbox.letters())
        m_outbox.remove(letter);
    m_failures.recovered();
    emit changed();
    return true;
}
