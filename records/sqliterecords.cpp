// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqliterecords.h"
#include "childrows.h"
#include "classrows.h"
#include "roundrows.h"
#include "stephook.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>

#include <cstdio>

SqliteRecords::SqliteRecords(const QString &filePath, const QString &settingsFile,
                             const Child &owner, const DiaryPolicy &policy, QObject *parent)
    : Records(parent), m_owner(owner), m_failures(filePath), m_file(filePath, owner, m_failures),
      m_outbox(filePath + QStringLiteral(".outbox"), owner), m_policy(policy),
      m_switch(settingsFile, policy), m_player(settingsFile, owner)
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
        if (m_guest || !m_switch.isOn()) {
            // Rounds played while it was on still go in.
            sendWaiting();
            return;
        }
        Outbox::Letter round{{}, record, m_runPlayer.value_or(m_player.player())};
        // The chosen player's identity is kept with the choice; a run's own child is known by
        // its earlier rounds of this run. A letter that waits in the outbox while the child is
        // renamed still finds its child.
        if (round.child.identity.isNull())
            round.child.identity = m_identities.value(identityKey(round.child));
        if (round.record.uuid.isNull())
            round.record.uuid = QUuid::createUuid();
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

bool SqliteRecords::send(const Outbox::Letter *fresh)
{
    // Older rounds first, so that the diary gets them in the order they were played.
    QList<Outbox::Letter> letters = m_outbox.letters() + m_inMemory;
    if (fresh)
        letters.append(*fresh);
    if (letters.isEmpty())
        return true;
    bool startedAfresh = false;
    bool sent = false;
    for (qsizetype i = 0; i < letters.size(); ++i) {
        const Outbox::Letter &letter = letters.at(i);
        QSqlError error;
        const bool written = m_file.write(
            [&](const QSqlDatabase &db, QSqlError *e) {
                qint64 child = 0;
                QUuid identity;
                if (!childrows::ensure(db, letter.child, &child, e, &identity) ||
                    !roundrows::insert(db, letter.record, child, e))
                    return false;
                m_identities.insert(identityKey(letter.child), identity);
                return true;
            },
            &error);
        const auto done = [&] {
            if (letter.fileName.isEmpty())
                m_inMemory.removeIf(
                    [&](const Outbox::Letter &l) { return l.record.uuid == letter.record.uuid; });
            else
                m_outbox.remove(letter);
            if (fresh && letter.record.uuid == fresh->record.uuid)
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

std::optional<qint64> SqliteRecords::childId(const Child &child, bool *failed)
{
    *failed = !m_file.ensureOpen();
    if (*failed)
        return std::nullopt;
    QSqlError error;
    const std::optional<qint64> id = childrows::find(m_file.database(), child, &error);
    *failed = error.type() != QSqlError::NoError;
    if (*failed)
        readFailed(error);
    return id;
}

template <typename T, typename Read> std::optional<T> SqliteRecords::readFile(Read read)
{
    if (!m_file.ensureOpen())
        return std::nullopt;
    T result{};
    QSqlError error;
    if (!read(m_file.database(), &result, &error)) {
        readFailed(error);
        return std::nullopt;
    }
    return result;
}

std::optional<QList<Child>> SqliteRecords::children()
{
    const auto rows = readFile<QList<std::pair<qint64, Child>>>(childrows::list);
    if (!rows)
        return std::nullopt;
    QList<Child> result;
    for (const auto &[id, child] : *rows)
        result.append(child);
    return result;
}

std::optional<QList<ClassRow>> SqliteRecords::classRows(const QDateTime &now)
{
    if (!m_file.ensureOpen())
        return std::nullopt;
    QList<std::pair<qint64, Child>> children;
    QHash<qint64, QList<classrows::Line>> lines;
    QSqlError error;
    if (!childrows::list(m_file.database(), &children, &error) ||
        !roundrows::lines(m_file.database(), &lines, &error)) {
        readFailed(error);
        return std::nullopt;
    }
    QList<ClassRow> rows;
    for (const auto &[id, child] : std::as_const(children))
        rows.append(classrows::summarise(child, lines.value(id), now));
    return rows;
}

std::optional<QList<DiaryRound>> SqliteRecords::rounds(const Child &child)
{
    bool failed = false;
    const std::optional<qint64> id = childId(child, &failed);
    // A child the diary does not know has played no round yet.
    if (!id)
        return failed ? std::nullopt : std::optional(QList<DiaryRound>());
    return readFile<QList<DiaryRound>>(
        [&](const QSqlDatabase &db, QList<DiaryRound> *rounds, QSqlError *error) {
            return roundrows::rounds(db, *id, rounds, error);
        });
}

QList<TargetRecord> SqliteRecords::targets(qint64 roundId)
{
    return readFile<QList<TargetRecord>>(
               [&](const QSqlDatabase &db, QList<TargetRecord> *targets, QSqlError *error) {
                   return roundrows::targets(db, roundId, targets, error);
               })
        .value_or(QList<TargetRecord>());
}

std::optional<QList<TargetRecord>> SqliteRecords::targets(const QUuid &round)
{
    return readFile<QList<TargetRecord>>(
        [&](const QSqlDatabase &db, QList<TargetRecord> *targets, QSqlError *error) {
            return roundrows::targets(db, round, targets, error);
        });
}

std::optional<QList<roundrows::Played>> SqliteRecords::unsentRounds(int limit)
{
    return readFile<QList<roundrows::Played>>(
        [&](const QSqlDatabase &db, QList<roundrows::Played> *rounds, QSqlError *error) {
            return roundrows::unsent(db, limit, rounds, error);
        });
}

// Marks the rounds the school's server answered for, and forgets the children removed here whose
// rounds have all gone.
bool SqliteRecords::mark(const QList<QUuid> &uuids, MarkRounds mark)
{
    QSqlError error;
    const bool marked = m_file.write(
        [&](const QSqlDatabase &db, QSqlError *e) {
            return mark(db, uuids, e) && childrows::forgetRemoved(db, e);
        },
        &error);
    if (!marked)
        writeFailed(error);
    return marked;
}

bool SqliteRecords::markSent(const QList<QUuid> &uuids) { return mark(uuids, roundrows::markSent); }

std::optional<int> SqliteRecords::unsentCount()
{
    const std::optional<int> count = readFile<int>(roundrows::countUnsent);
    return count ? std::optional(*count + unsavedCount()) : std::nullopt;
}

bool SqliteRecords::markRefused(const QList<QUuid> &uuids)
{
    return mark(uuids, roundrows::markRefused);
}

std::optional<int> SqliteRecords::refusedCount() { return readFile<int>(roundrows::countRefused); }

void SqliteRecords::readFailed(const QSqlError &error)
{
    const Failures::Kind kind = Failures::kindOf(error);
    if (kind == Failures::Damaged)
        m_file.startAfresh(Failures::oneLine(error));
    else
        m_failures.fail(kind == Failures::Write ? Failures::Read : kind, Failures::oneLine(error));
}

void SqliteRecords::writeFailed(const QSqlError &error)
{
    if (error.type() != QSqlError::NoError)
        m_failures.fail(Failures::kindOf(error), Failures::oneLine(error));
}

void SqliteRecords::dropWaiting(const Child &child)
{
    const auto isChilds = [&](const Outbox::Letter &letter) {
        return childnames::same(letter.child, child);
    };
    m_inMemory.removeIf(isChilds);
    for (const Outbox::Letter &letter : m_outbox.letters()) {
        if (isChilds(letter))
            m_outbox.remove(letter);
    }
}

bool SqliteRecords::clear(const Child &child, Unsent unsent)
{
    // The outbox's rounds are kept with the rest: in first. Any the diary cannot take now stay
    // in the outbox.
    if (unsent == Unsent::Keep)
        sendWaiting();
    QSqlError error;
    const bool cleared = m_file.write(
        [&](const QSqlDatabase &db, QSqlError *e) {
            const std::optional<qint64> id = childrows::find(db, child, e);
            return id ? childrows::removeRounds(db, *id, unsent == Unsent::Keep, e)
                      : e->type() == QSqlError::NoError;
        },
        &error);
    if (!cleared) {
        writeFailed(error);
        return false;
    }
    if (unsent == Unsent::Delete)
        dropWaiting(child);
    if (m_inMemory.isEmpty() && m_outbox.isEmpty())
        m_failures.recovered();
    emit changed();
    return true;
}

QString SqliteRecords::identityKey(const Child &child)
{
    return child.account + u'\n' + childnames::key(child.name);
}

namespace {
QString nameTaken() { return QStringLiteral("Ребёнок с таким именем уже есть."); }
} // namespace

QString SqliteRecords::addChild(const QString &name)
{
    if (const QString refusal = childnames::refusal(name); !refusal.isEmpty())
        return refusal;
    bool taken = false;
    QSqlError error;
    const bool added = m_file.write(
        [&](const QSqlDatabase &db, QSqlError *e) {
            qint64 id = 0;
            taken = childrows::find(db, {m_owner.account, name}, e).has_value();
            return !taken && e->type() == QSqlError::NoError &&
                   childrows::ensure(db, {m_owner.account, name}, &id, e);
        },
        &error);
    if (taken)
        return nameTaken();
    if (!added) {
        writeFailed(error);
        return problem();
    }
    emit changed();
    return {};
}

QString SqliteRecords::renameChild(const Child &child, const QString &name)
{
    if (const QString refusal = childnames::refusal(name); !refusal.isEmpty())
        return refusal;
    const bool playing = childnames::same(m_player.player(), child);
    bool taken = false;
    QSqlError error;
    const bool renamed = m_file.write(
        [&](const QSqlDatabase &db, QSqlError *e) {
            const std::optional<qint64> id = childrows::find(db, child, e);
            if (!id)
                return false;
            return childrows::rename(db, *id, name, &taken, e);
        },
        &error);
    if (taken)
        return nameTaken();
    if (!renamed) {
        writeFailed(error);
        return problem().isEmpty() ? QStringLiteral("Этого ребёнка уже нет в дневнике.")
                                   : problem();
    }
    if (playing)
        m_player.set({child.account, childnames::cleaned(name), m_player.player().identity});
    emit changed();
    return {};
}

QString SqliteRecords::removeChild(const Child &child, Unsent unsent)
{
    // The outbox's rounds are kept with the rest: in first. Any the diary cannot take now stay
    // in the outbox.
    if (unsent == Unsent::Keep)
        sendWaiting();
    QSqlError error;
    const bool removed = m_file.write(
        [&](const QSqlDatabase &db, QSqlError *e) {
            const std::optional<qint64> id = childrows::find(db, child, e);
            return id ? childrows::remove(db, *id, unsent == Unsent::Keep, e)
                      : e->type() == QSqlError::NoError;
        },
        &error);
    if (!removed) {
        writeFailed(error);
        return problem();
    }
    if (unsent == Unsent::Delete)
        dropWaiting(child);
    if (childnames::same(m_player.player(), child))
        m_player.set(m_owner);
    emit changed();
    return {};
}
