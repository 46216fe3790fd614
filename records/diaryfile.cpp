// SPDX-License-Identifier: GPL-3.0-or-later
#include "diaryfile.h"
#include "failures.h"
#include "roundrows.h"
#include "stephook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <algorithm>
#include <cstddef>
#include <iterator>

#include <sys/stat.h>

namespace {

constexpr int sqliteError = 1;

// A new UUID for each row of the table whose column has none yet.
bool giveIdentities(QSqlQuery &query, const char *table, const char *column)
{
    if (!query.exec(QStringLiteral("SELECT id FROM %1 WHERE %2 IS NULL")
                        .arg(QLatin1String(table), QLatin1String(column))))
        return false;
    QList<qint64> ids;
    while (query.next())
        ids.append(query.value(0).toLongLong());
    query.finish();
    query.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE id = ?")
                      .arg(QLatin1String(table), QLatin1String(column)));
    for (const qint64 id : ids) {
        query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
        query.addBindValue(id);
        if (!query.exec())
            return false;
    }
    return true;
}

// A table or column missing: the file is not the diary its version promises.
bool isMissingPart(const QSqlError &error)
{
    return (error.nativeErrorCode().toInt() & 0xff) == sqliteError;
}

// Runs the statements in order and stops at the first that fails; the query tells why.
template <std::size_t N> bool execAll(QSqlQuery &query, const char *const (&statements)[N])
{
    for (const char *statement : statements) {
        if (!query.exec(QLatin1String(statement)))
            return false;
    }
    return true;
}

} // namespace

DiaryFile::DiaryFile(const QString &path, const Child &owner, Failures &failures)
    : m_path(path), m_owner(owner), m_failures(failures),
      m_connection(QStringLiteral("diary-%1").arg(quintptr(this), 0, 16))
{
}

DiaryFile::~DiaryFile()
{
    close();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase DiaryFile::database() const { return QSqlDatabase::database(m_connection, false); }

std::optional<DiaryFile::Identity> DiaryFile::identityOf(const QString &path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return Identity{quint64(st.st_dev), quint64(st.st_ino)};
}

bool DiaryFile::isStillAtPath() const { return identityOf(m_path) == m_identity; }

void DiaryFile::close()
{
    if (QSqlDatabase::contains(m_connection))
        database().close();
    m_open = false;
    // A connection counts its file's versions afresh.
    m_adoptedAt = -1;
}

void DiaryFile::setBusyTimeout(int ms)
{
    m_busyTimeoutMs = ms;
    // The option is read when the connection opens.
    close();
}

bool DiaryFile::ensureOpen()
{
    if (!openAtPath())
        return false;
    adoptStrays();
    return true;
}

bool DiaryFile::openAtPath()
{
    // A diary deleted or set aside by another game while this one runs is begun anew, not
    // written into where nobody looks.
    if (m_open && !isStillAtPath())
        close();
    return m_open || open(true);
}

bool DiaryFile::open(bool mayStartAfresh)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_failures.fail(Failures::Folder, folder);
        return false;
    }
    // Another game may set the file aside and begin a new one between our look at the path and
    // SQLite's opening it: then look again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::optional<Identity> before = identityOf(m_path);
        QSqlDatabase db = QSqlDatabase::contains(m_connection)
                              ? database()
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
        if (!db.open()) {
            m_failures.fail(Failures::Open, Failures::oneLine(db.lastError()));
            return false;
        }
        m_open = true;
        QString damage;
        const bool ok = checkSchema(&damage);
        if (ok && (!before || *before == m_identity)) {
            QSqlQuery query(db);
            // Never write-ahead logging: it needs shared memory, which network file systems lack.
            if (query.exec(QStringLiteral("PRAGMA journal_mode")) && query.next() &&
                query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
                query.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
            return true;
        }
        close();
        if (ok)
            continue;
        if (damage.isEmpty())
            return false;
        if (!mayStartAfresh || !before) {
            m_failures.fail(Failures::Open, damage);
            return false;
        }
        return setAside(damage, *before);
    }
    m_failures.fail(Failures::Open, QStringLiteral("the file keeps being replaced"));
    return false;
}

bool DiaryFile::checkSchema(QString *damage)
{
    const QSqlDatabase db = database();
    QSqlQuery query(db);
    auto failed = [&](const QSqlError &error) {
        query.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        const Failures::Kind kind = Failures::kindOf(error);
        if (kind == Failures::Damaged || isMissingPart(error))
            *damage = Failures::oneLine(error);
        else
            m_failures.fail(kind == Failures::Write ? Failures::Open : kind,
                            Failures::oneLine(error));
        return false;
    };
    // A first look needs no write lock, so an up-to-date diary can be read even where it cannot
    // be written. Anything to make or change is decided again under the write lock: another game
    // may be making the diary this very moment.
    for (const bool writing : {false, true}) {
        if (!query.exec(writing ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")) ||
            !query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
            return failed(query.lastError());
        const int version = query.value(0).toInt();
        query.finish();
        // Under SQLite's lock: nobody can set the file aside while we look at it.
        if (!writing)
            m_identity = identityOf(m_path).value_or(Identity{});
        if (version > schemaVersion) {
            query.exec(QStringLiteral("ROLLBACK"));
            m_failures.fail(Failures::Newer);
            return false;
        }
        if (version == schemaVersion) {
            QSqlError error;
            if (!roundrows::check(db, &error))
                return failed(error);
            query.exec(QStringLiteral("COMMIT"));
            return true;
        }
        if (!writing) {
            query.exec(QStringLiteral("ROLLBACK"));
            continue;
        }
        stephook::reached("schema-read");
        if (!upgrade(query, version, damage)) {
            if (!damage->isEmpty()) {
                query.exec(QStringLiteral("ROLLBACK"));
                return false;
            }
            return failed(query.lastError());
        }
        if (!query.exec(QStringLiteral("COMMIT")))
            return failed(query.lastError());
    }
    return true;
}

// The schema's steps, oldest first; step i makes version i + 1.
//
// EVERY STEP KEEPS THE FILE WRITABLE BY THE VERSION BEFORE IT, AND ADOPTS WHAT THAT VERSION WRITES.
// A game of the version before may hold the file open while a newer program steps it up, and it
// goes on writing rounds its own way until it quits. So a step only adds: tables, and columns
// that are nullable or have a default; it never renames, drops or constrains what that version
// writes. And it says, in strays, how to find a row that version wrote after the step (a cheap
// query: it runs whenever another connection has written to the file) and, in adopt,
// how to bring such rows to the step's form: their child, their state, the columns it added. A
// newer program adopts them the next time it opens or reads the file, so none is ever stranded
// outside what the window shows and what goes to the school's server. adopt also finishes the
// step on the rows the file had before it, and writes only what its own version knows: the
// steps after it adopt in their turn.
const DiaryFile::Step DiaryFile::steps[] = {
    {&DiaryFile::createVersion1, nullptr, nullptr},
    {&DiaryFile::migrateFrom1To2, "SELECT 1 FROM rounds WHERE uuid IS NULL LIMIT 1",
     &DiaryFile::adoptFrom1},
    // Rounds of version 2 leave the measurements of version 3 NULL, which is read as not known;
    // the speed of aiming it wrote was made another way, and it is the one that has no reaction
    // time beside it.
    {&DiaryFile::migrateFrom2To3,
     "SELECT 1 FROM rounds WHERE reaction_ms IS NULL AND throughput IS NOT NULL LIMIT 1",
     &DiaryFile::adoptFrom2},
    {&DiaryFile::migrateFrom3To4, "SELECT 1 FROM rounds WHERE child_id IS NULL LIMIT 1",
     &DiaryFile::adoptFrom3},
    // Version 4 adds children without an identity.
    {&DiaryFile::migrateFrom4To5, "SELECT 1 FROM children WHERE identity IS NULL LIMIT 1",
     &DiaryFile::adoptFrom4},
};

bool DiaryFile::upgrade(QSqlQuery &query, int version, QString *damage)
{
    static_assert(std::size(steps) == schemaVersion);
    if (version == 0) {
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
            return false;
        // Someone else's database: not ours to add tables to.
        if (query.value(0).toInt() > 0) {
            *damage = QStringLiteral("it holds tables of another program");
            return false;
        }
        query.finish();
    }
    for (int step = version; step < schemaVersion; ++step) {
        const Step &s = steps[step];
        if (!(this->*s.change)(query) || (s.adopt && !(this->*s.adopt)(query))) {
            if (isMissingPart(query.lastError()))
                *damage = Failures::oneLine(query.lastError());
            return false;
        }
    }
    return query.exec(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion));
}

void DiaryFile::adoptStrays()
{
    QSqlQuery query(database());
    // Only another connection's commit changes it: this one's rows need no adopting.
    if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next())
        return;
    const qint64 dataVersion = query.value(0).toLongLong();
    query.finish();
    if (dataVersion == m_adoptedAt)
        return;
    const auto hasStrays = [&](const Step &step) {
        if (!step.strays || !query.exec(QLatin1String(step.strays)))
            return false;
        const bool found = query.next();
        query.finish();
        return found;
    };
    // Looked for without a lock first: most often there is nothing to adopt, and then nothing
    // here waits for, or holds up, a game writing its round.
    if (std::none_of(std::begin(steps), std::end(steps), hasStrays)) {
        m_adoptedAt = dataVersion;
        return;
    }
    // Busy now: the next read tries again. Until then every reader passes over these rows
    // alike, so what is counted is still what is shown and sent.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return;
    bool adopted = isStillAtPath();
    for (const Step &step : steps) {
        if (adopted && hasStrays(step))
            adopted = (this->*step.adopt)(query);
    }
    query.finish();
    if (adopted && query.exec(QStringLiteral("COMMIT"))) {
        m_adoptedAt = dataVersion;
        return;
    }
    // Left for the next read; a write that cannot be done says why when it is a round's.
    QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
}

bool DiaryFile::createVersion1(QSqlQuery &query)
{
    const char *const statements[] = {
        "CREATE TABLE rounds ("
        " id INTEGER PRIMARY KEY,"
        " started_ms INTEGER NOT NULL,"   // since the epoch
        " utc_offset_s INTEGER NOT NULL," // of the local time the child saw
        " level INTEGER NOT NULL, right_button INTEGER NOT NULL, double_click INTEGER NOT NULL,"
        " ending INTEGER NOT NULL, score INTEGER NOT NULL, grade TEXT NOT NULL,"
        // The round's figures, kept so that the list of thousands of rounds is one plain read.
        " median_hit_ms REAL, misses INTEGER NOT NULL, penalties INTEGER NOT NULL, throughput "
        "REAL)",
        "CREATE INDEX rounds_by_start ON rounds (started_ms)",
        "CREATE TABLE targets ("
        " round_id INTEGER NOT NULL REFERENCES rounds (id) ON DELETE CASCADE,"
        " position INTEGER NOT NULL, number INTEGER NOT NULL,"
        " shown_at_ms INTEGER NOT NULL, hit_after_ms INTEGER NOT NULL,"
        " penalties TEXT NOT NULL, misses INTEGER NOT NULL,"
        " distance REAL NOT NULL, width REAL NOT NULL,"
        " PRIMARY KEY (round_id, position)) WITHOUT ROWID",
    };
    return execAll(query, statements);
}

// Every round gets the identity the school server will know it by.
bool DiaryFile::migrateFrom1To2(QSqlQuery &query)
{
    return query.exec(QStringLiteral("ALTER TABLE rounds ADD COLUMN uuid TEXT")) &&
           query.exec(QStringLiteral("CREATE UNIQUE INDEX rounds_by_uuid ON rounds (uuid)"));
}

// Rounds kept before there were identities, or by a game that knew none, get one now.
bool DiaryFile::adoptFrom1(QSqlQuery &query) { return giveIdentities(query, "rounds", "uuid"); }

// The speed of aiming is measured from where the clicks landed and from the pointer's first move,
// which rounds kept before were not told: their old figure, made another way, is dropped rather
// than shown beside the new ones as if it were the same.
bool DiaryFile::migrateFrom2To3(QSqlQuery &query)
{
    const char *const statements[] = {
        "ALTER TABLE rounds ADD COLUMN reaction_ms REAL",
        // Logical pixels of the field; NULL where not known.
        "ALTER TABLE targets ADD COLUMN start_x REAL",
        "ALTER TABLE targets ADD COLUMN start_y REAL",
        "ALTER TABLE targets ADD COLUMN centre_x REAL",
        "ALTER TABLE targets ADD COLUMN centre_y REAL",
        "ALTER TABLE targets ADD COLUMN click_x REAL", // from the centre
        "ALTER TABLE targets ADD COLUMN click_y REAL",
        "ALTER TABLE targets ADD COLUMN moved_after_ms INTEGER",
    };
    return execAll(query, statements);
}

bool DiaryFile::adoptFrom2(QSqlQuery &query)
{
    return query.exec(QStringLiteral("UPDATE rounds SET throughput = NULL WHERE reaction_ms IS "
                                     "NULL AND throughput IS NOT NULL"));
}

// Every round is some child's. The rounds kept so far are the account's own child's, who is also
// the first child of a new diary. The mark of a round the school's server has is made ready here
// so that the server needs no step of its own.
bool DiaryFile::migrateFrom3To4(QSqlQuery &query)
{
    const char *const statements[] = {
        "CREATE TABLE children ("
        " id INTEGER PRIMARY KEY,"
        " account TEXT NOT NULL,"
        " name TEXT NOT NULL,"
        " name_key TEXT NOT NULL," // trimmed, composed and case-folded: one child, one key
        " UNIQUE (account, name_key))",
        "ALTER TABLE rounds ADD COLUMN child_id INTEGER REFERENCES children (id)",
        // What the values mean is said where the rounds are read and written.
        "ALTER TABLE rounds ADD COLUMN sent INTEGER NOT NULL DEFAULT 0",
        "CREATE INDEX rounds_by_child ON rounds (child_id, started_ms)",
        "CREATE INDEX rounds_unsent ON rounds (started_ms) WHERE sent = 0",
    };
    return execAll(query, statements);
}

// Rounds with no child are the account's own child's, as the version before meant them; back in
// the diary if the window removed that child meanwhile. The column sent, by its default, has them
// wait for the school's server.
bool DiaryFile::adoptFrom3(QSqlQuery &query)
{
    query.prepare(QStringLiteral("SELECT id FROM children WHERE account = ? AND name_key = ?"));
    query.addBindValue(m_owner.account);
    query.addBindValue(childnames::key(m_owner.name));
    if (!query.exec())
        return false;
    QVariant owner = query.next() ? query.value(0) : QVariant();
    query.finish();
    if (owner.isNull()) {
        query.prepare(
            QStringLiteral("INSERT INTO children (account, name, name_key) VALUES (?, ?, ?)"));
        query.addBindValue(m_owner.account);
        query.addBindValue(childnames::cleaned(m_owner.name));
        query.addBindValue(childnames::key(m_owner.name));
        if (!query.exec())
            return false;
        owner = query.lastInsertId();
    }
    query.prepare(QStringLiteral("UPDATE rounds SET child_id = ? WHERE child_id IS NULL"));
    query.addBindValue(owner);
    return query.exec();
}

// A child keeps one identity through renames, which the school's server knows it by. Nullable, and
// unique only where given: a game of version 4 adds children without one.
bool DiaryFile::migrateFrom4To5(QSqlQuery &query)
{
    return query.exec(QStringLiteral("ALTER TABLE children ADD COLUMN identity TEXT")) &&
           query.exec(QStringLiteral("CREATE UNIQUE INDEX children_by_identity ON children "
                                     "(identity) WHERE identity IS NOT NULL"));
}

// Children kept so far, or added by a game of version 4 since, get one each.
bool DiaryFile::adoptFrom4(QSqlQuery &query)
{
    return giveIdentities(query, "children", "identity");
}

bool DiaryFile::write(const std::function<bool(const QSqlDatabase &, QSqlError *)> &work,
                      QSqlError *error)
{
    *error = QSqlError();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!openAtPath())
            return false;
        const QSqlDatabase db = database();
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            *error = query.lastError();
            return false;
        }
        // With the write lock held nobody can set the file aside: if it is still the one at
        // the path now, it is the diary until the commit.
        if (!isStillAtPath()) {
            query.exec(QStringLiteral("ROLLBACK"));
            close();
            continue;
        }
        if (work(db, error) && query.exec(QStringLiteral("COMMIT")))
            return true;
        if (error->type() == QSqlError::NoError)
            *error = query.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    *error = QSqlError(QStringLiteral("the diary file was replaced while it was being written"), {},
                       QSqlError::TransactionError);
    return false;
}
