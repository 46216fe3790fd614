// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarystore.h"
#include "diarytexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimeZone>
#include <QVariant>

#include <cmath>
#include <cstdio>

namespace {

// Long enough to wait out another game's write of a round, short enough not to stall this one.
constexpr int busyTimeoutMs = 250;

// SQLite's primary result codes that change what the store does.
constexpr int sqliteError = 1;
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;
constexpr int sqliteCorrupt = 11;
constexpr int sqliteFull = 13;
constexpr int sqliteTooBig = 18;
constexpr int sqliteConstraint = 19;
constexpr int sqliteMismatch = 20;
constexpr int sqliteNotADatabase = 26;

QString recordingKey() { return QStringLiteral("diary/recording"); }

QString keptInMemory()
{
    return QStringLiteral(" Раунды пока хранятся в памяти игры и пропадут, если её закрыть.");
}

const char *const schema[] = {
    "CREATE TABLE IF NOT EXISTS rounds ("
    " id INTEGER PRIMARY KEY,"
    " started_ms INTEGER NOT NULL,"   // since the epoch
    " utc_offset_s INTEGER NOT NULL," // of the local time the child saw
    " level INTEGER NOT NULL, right_button INTEGER NOT NULL, double_click INTEGER NOT NULL,"
    " ending INTEGER NOT NULL, score INTEGER NOT NULL, grade TEXT NOT NULL,"
    // The round's figures, kept so that the list of thousands of rounds is one plain read.
    " median_hit_ms REAL, misses INTEGER NOT NULL, penalties INTEGER NOT NULL, throughput REAL)",
    "CREATE INDEX IF NOT EXISTS rounds_by_start ON rounds (started_ms)",
    "CREATE TABLE IF NOT EXISTS targets ("
    " round_id INTEGER NOT NULL REFERENCES rounds (id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL, number INTEGER NOT NULL,"
    " shown_at_ms INTEGER NOT NULL, hit_after_ms INTEGER NOT NULL,"
    " penalties TEXT NOT NULL, misses INTEGER NOT NULL,"
    " distance REAL NOT NULL, width REAL NOT NULL,"
    " PRIMARY KEY (round_id, position)) WITHOUT ROWID",
};

const char roundColumns[] = "id, started_ms, utc_offset_s, level, right_button, double_click, "
                            "ending, score, grade, median_hit_ms, misses, penalties, throughput";
const char targetColumns[] =
    "number, shown_at_ms, hit_after_ms, penalties, misses, distance, width";

// Penalties of a target as short codes, "miss,double".
QString penaltyCode(Penalty penalty)
{
    switch (penalty) {
    case Penalty::Miss:
        return QStringLiteral("miss");
    case Penalty::DoubleInSingleMode:
        return QStringLiteral("double");
    case Penalty::RightInDoubleMode:
        return QStringLiteral("right-in-double");
    case Penalty::RightWhileLeft:
        return QStringLiteral("right-for-left");
    case Penalty::LeftWhileRight:
        return QStringLiteral("left-for-right");
    }
    return QStringLiteral("miss");
}

// A null QString is bound as NULL, which the NOT NULL text columns refuse.
QString notNull(const QString &text) { return text.isNull() ? QStringLiteral("") : text; }

QString penaltiesText(const QList<Penalty> &penalties)
{
    QStringList codes;
    for (const Penalty penalty : penalties)
        codes.append(penaltyCode(penalty));
    return notNull(codes.join(u','));
}

QList<Penalty> penaltiesFrom(const QString &text)
{
    QList<Penalty> penalties;
    for (const QString &code : text.split(u',', Qt::SkipEmptyParts)) {
        for (const Penalty penalty :
             {Penalty::Miss, Penalty::DoubleInSingleMode, Penalty::RightInDoubleMode,
              Penalty::RightWhileLeft, Penalty::LeftWhileRight}) {
            if (code == penaltyCode(penalty))
                penalties.append(penalty);
        }
    }
    return penalties;
}

QVariant nullable(std::optional<double> value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> optionalFrom(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

// SQLite stores a NaN as NULL, which a NOT NULL column refuses: one bad measurement must not
// keep the whole round out of the diary.
double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

QString oneLine(const QSqlError &error)
{
    QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return text.replace(u'\n', u' ');
}

} // namespace

DiaryStore::DiaryStore(const QString &filePath, const QString &settingsFile, QObject *parent)
    : QObject(parent), m_path(filePath), m_settingsFile(settingsFile),
      m_connection(QStringLiteral("diary-%1").arg(quintptr(this), 0, 16))
{
}

DiaryStore::~DiaryStore()
{
    close();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

QString DiaryStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/diary.sqlite");
}

void DiaryStore::roundEnded(const RoundRecord &record)
{
    // The game goes on whatever happens here, even when memory runs out.
    try {
        if (!isRecording())
            return;
        m_pending.append(record);
        flush();
    } catch (...) {
        std::fputs("kvadrilka: a round could not be kept for the diary\n", stderr);
    }
}

bool DiaryStore::isRecording() const { return settings().value(recordingKey(), true).toBool(); }

void DiaryStore::setRecording(bool on)
{
    settings().setValue(recordingKey(), on);
    settings().sync();
}

QSettings &DiaryStore::settings() const
{
    if (!m_settings) {
        m_settings = std::make_unique<QSettings>(m_settingsFile, QSettings::IniFormat);
    }
    return *m_settings;
}

DiaryStore::Failure DiaryStore::kindOf(const QSqlError &error)
{
    // Extended codes carry the primary one in the low byte.
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case sqliteBusy:
    case sqliteLocked:
        return Failure::Busy;
    case sqliteFull:
        return Failure::Full;
    case sqliteCorrupt:
    case sqliteNotADatabase:
        return Failure::Damaged;
    case sqliteTooBig:
    case sqliteConstraint:
    case sqliteMismatch:
        return Failure::Refused;
    }
    return Failure::Write;
}

bool DiaryStore::ensureOpen(bool mayStartAfresh)
{
    // A diary deleted while the game runs is begun anew rather than written into the void.
    if (m_open && !QFileInfo::exists(m_path))
        close();
    if (m_open)
        return true;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        fail(Failure::Folder, folder);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open()) {
        fail(Failure::Open, oneLine(db.lastError()));
        return false;
    }
    m_open = true;
    QString damage;
    if (checkSchema(&damage))
        return true;
    close();
    if (damage.isEmpty())
        return false;
    if (!mayStartAfresh) {
        fail(Failure::Open, damage);
        return false;
    }
    return startAfresh(damage);
}

bool DiaryStore::checkSchema(QString *damage)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    auto failed = [&](Failure otherwise) {
        const QSqlError error = query.lastError();
        const Failure kind = kindOf(error);
        if (kind == Failure::Damaged)
            *damage = oneLine(error);
        else
            fail(kind == Failure::Write ? otherwise : kind, oneLine(error));
        return false;
    };
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return failed(Failure::Open);
    const int version = query.value(0).toInt();
    query.finish();
    if (version > schemaVersion) {
        fail(Failure::Newer);
        return false;
    }
    if (version == 0) {
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
            return failed(Failure::Open);
        // Someone else's database: not ours to add tables to.
        if (query.value(0).toInt() > 0) {
            *damage = QStringLiteral("it holds tables of another program");
            return false;
        }
        query.finish();
        return createSchema();
    }
    for (const QString &statement :
         {QStringLiteral("SELECT %1 FROM rounds LIMIT 0").arg(QLatin1String(roundColumns)),
          QStringLiteral("SELECT round_id, position, %1 FROM targets LIMIT 0")
              .arg(QLatin1String(targetColumns))}) {
        if (!query.exec(statement)) {
            // A table or column missing: the file is not the diary its version promises.
            if ((query.lastError().nativeErrorCode().toInt() & 0xff) == sqliteError) {
                *damage = oneLine(query.lastError());
                return false;
            }
            return failed(Failure::Open);
        }
    }
    return true;
}

bool DiaryStore::createSchema()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // IMMEDIATE, so that two games making the file at once take turns.
    bool ok = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    for (const char *statement : schema)
        ok = ok && query.exec(QLatin1String(statement));
    ok = ok && query.exec(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion));
    ok = ok && query.exec(QStringLiteral("COMMIT"));
    if (!ok) {
        const QSqlError error = query.lastError();
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        const Failure kind = kindOf(error);
        fail(kind == Failure::Write ? Failure::Open : kind, oneLine(error));
    }
    return ok;
}

bool DiaryStore::startAfresh(const QString &damage)
{
    close();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(m_path, aside)) {
        fail(Failure::Stuck, damage);
        return false;
    }
    // A journal left beside the old file belongs to it, not to the fresh diary.
    for (const QString &suffix :
         {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(m_path + suffix))
            QFile::rename(m_path + suffix, aside + suffix);
    }
    fail(Failure::Damaged, damage, aside);
    return ensureOpen(false);
}

void DiaryStore::close()
{
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
    m_open = false;
}

bool DiaryStore::flush()
{
    if (m_pending.isEmpty())
        return true;
    if (!ensureOpen())
        return false;
    bool startedAfresh = false;
    while (!m_pending.isEmpty()) {
        QSqlError error;
        if (!writeRound(m_pending.constFirst(), &error)) {
            const Failure kind = kindOf(error);
            if (kind == Failure::Damaged && !startedAfresh) {
                startedAfresh = true;
                if (startAfresh(oneLine(error)))
                    continue;
                return false;
            }
            // A round the file refuses would refuse again and hold up every round after it.
            if (kind == Failure::Refused) {
                fail(
                    kind, oneLine(error),
                    m_pending.constFirst().started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
                m_pending.removeFirst();
                continue;
            }
            // Damaged again right after a fresh start is no longer the file's fault.
            fail(kind == Failure::Damaged ? Failure::Write : kind, oneLine(error));
            return false;
        }
        m_pending.removeFirst();
    }
    recovered();
    emit changed();
    return true;
}

bool DiaryStore::writeRound(const RoundRecord &record, QSqlError *error)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    auto failed = [&](const QSqlQuery &failing) {
        *error = failing.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = query.lastError();
        return false;
    }

    const QDateTime started =
        record.started.isValid() ? record.started : QDateTime::currentDateTime();
    const figures::RoundFigures figures = figures::ofRound(record.targets);
    query.prepare(QStringLiteral("INSERT INTO rounds (%1) VALUES "
                                 "(NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                      .arg(QLatin1String(roundColumns)));
    query.addBindValue(started.toMSecsSinceEpoch());
    query.addBindValue(started.offsetFromUtc());
    query.addBindValue(record.level);
    query.addBindValue(int(record.rightButton));
    query.addBindValue(int(record.doubleClick));
    query.addBindValue(int(record.ending));
    query.addBindValue(record.score);
    query.addBindValue(notNull(record.grade));
    query.addBindValue(nullable(figures.medianTimeToHitMs));
    query.addBindValue(figures.misses);
    query.addBindValue(figures.penalties);
    query.addBindValue(nullable(figures.throughput));
    if (!query.exec())
        return failed(query);
    const qint64 id = query.lastInsertId().toLongLong();

    QSqlQuery target(db);
    target.prepare(QStringLiteral("INSERT INTO targets (round_id, position, %1) VALUES "
                                  "(?, ?, ?, ?, ?, ?, ?, ?, ?)")
                       .arg(QLatin1String(targetColumns)));
    for (qsizetype position = 0; position < record.targets.size(); ++position) {
        const TargetRecord &t = record.targets.at(position);
        target.addBindValue(id);
        target.addBindValue(qint64(position));
        target.addBindValue(t.number);
        target.addBindValue(t.shownAtMs);
        target.addBindValue(t.hitAfterMs);
        target.addBindValue(penaltiesText(t.penalties));
        target.addBindValue(t.misses);
        target.addBindValue(finiteOr(t.distance, -1));
        target.addBindValue(finiteOr(t.width, 0));
        if (!target.exec())
            return failed(target);
    }
    if (!query.exec(QStringLiteral("COMMIT")))
        return failed(query);
    return true;
}

QList<DiaryRound> DiaryStore::rounds()
{
    QList<DiaryRound> result;
    readRounds(&result);
    return result;
}

bool DiaryStore::readRounds(QList<DiaryRound> *rounds)
{
    if (!ensureOpen())
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM rounds ORDER BY started_ms DESC, id DESC")
                        .arg(QLatin1String(roundColumns)))) {
        readFailed(query.lastError());
        return false;
    }
    while (query.next()) {
        DiaryRound round;
        round.id = query.value(0).toLongLong();
        round.started = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(),
                                                       QTimeZone(query.value(2).toInt()));
        round.level = query.value(3).toInt();
        round.rightButton = query.value(4).toBool();
        round.doubleClick = query.value(5).toBool();
        const int ending = query.value(6).toInt();
        round.ending = ending >= 0 && ending <= int(RoundEnding::ProgramQuit)
                           ? RoundEnding(ending)
                           : RoundEnding::ClosedFromOutside;
        round.score = query.value(7).toInt();
        round.grade = query.value(8).toString();
        round.figures.medianTimeToHitMs = optionalFrom(query.value(9));
        round.figures.misses = query.value(10).toInt();
        round.figures.penalties = query.value(11).toInt();
        round.figures.throughput = optionalFrom(query.value(12));
        rounds->append(round);
    }
    return true;
}

QList<TargetRecord> DiaryStore::targets(qint64 roundId)
{
    QList<TargetRecord> result;
    if (!ensureOpen())
        return result;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM targets WHERE round_id = ? ORDER BY position")
                      .arg(QLatin1String(targetColumns)));
    query.addBindValue(roundId);
    if (!query.exec()) {
        readFailed(query.lastError());
        return result;
    }
    while (query.next()) {
        TargetRecord target;
        target.number = query.value(0).toInt();
        target.shownAtMs = query.value(1).toLongLong();
        target.hitAfterMs = query.value(2).toLongLong();
        target.penalties = penaltiesFrom(query.value(3).toString());
        target.misses = query.value(4).toInt();
        target.distance = query.value(5).toDouble();
        target.width = query.value(6).toDouble();
        result.append(target);
    }
    return result;
}

void DiaryStore::readFailed(const QSqlError &error)
{
    const Failure kind = kindOf(error);
    if (kind == Failure::Damaged)
        startAfresh(oneLine(error));
    else
        fail(kind == Failure::Write ? Failure::Read : kind, oneLine(error));
}

bool DiaryStore::clear()
{
    m_pending.clear();
    if (!ensureOpen())
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const bool ok = query.exec(QStringLiteral("BEGIN IMMEDIATE")) &&
                    query.exec(QStringLiteral("DELETE FROM targets")) &&
                    query.exec(QStringLiteral("DELETE FROM rounds")) &&
                    query.exec(QStringLiteral("COMMIT"));
    if (!ok) {
        const QSqlError error = query.lastError();
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        fail(kindOf(error), oneLine(error));
        return false;
    }
    recovered();
    emit changed();
    return true;
}

bool DiaryStore::exportCsv(const QString &fileName)
{
    QList<DiaryRound> all;
    if (!readRounds(&all))
        return false;
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(diarytexts::csv(all)) >= 0 &&
           file.commit();
}

void DiaryStore::fail(Failure kind, const QString &detail, const QString &where)
{
    QString line;
    switch (kind) {
    case Failure::Folder:
        line = QStringLiteral("cannot create the diary folder %1; rounds are kept in memory")
                   .arg(detail);
        m_problem = QStringLiteral("Не удалось создать папку для дневника: %1.").arg(detail) +
                    keptInMemory();
        break;
    case Failure::Open:
        line = QStringLiteral("cannot open the diary %1: %2; rounds are kept in memory")
                   .arg(m_path, detail);
        m_problem =
            QStringLiteral("Не удалось открыть дневник в файле %1.").arg(m_path) + keptInMemory();
        break;
    case Failure::Read:
        line = QStringLiteral("cannot read the diary %1: %2").arg(m_path, detail);
        m_problem = QStringLiteral("Не удалось прочитать дневник из файла %1.").arg(m_path);
        break;
    case Failure::Write:
        line = QStringLiteral("cannot write the diary %1: %2; rounds are kept in memory")
                   .arg(m_path, detail);
        m_problem =
            QStringLiteral("Не удалось записать дневник в файл %1.").arg(m_path) + keptInMemory();
        break;
    case Failure::Full:
        line = QStringLiteral("cannot write the diary %1: the disk is full (%2); rounds are kept "
                              "in memory")
                   .arg(m_path, detail);
        m_problem = QStringLiteral("Не удалось записать дневник: на диске не хватает места.") +
                    keptInMemory();
        break;
    case Failure::Busy:
        line = QStringLiteral("the diary %1 is busy with another game (%2); rounds not yet "
                              "written are kept for the next write")
                   .arg(m_path, detail);
        m_problem = QStringLiteral("Дневник сейчас занят другой игрой. Раунды, которые не "
                                   "удалось записать, запишутся со следующим.");
        break;
    case Failure::Damaged:
        line = QStringLiteral("the diary %1 is damaged (%2); it was renamed to %3 and a new one "
                              "begun")
                   .arg(m_path, detail, where);
        m_problem = QStringLiteral("Не удалось прочитать дневник: файл повреждён, он сохранён как "
                                   "%1, начат новый.")
                        .arg(where);
        break;
    case Failure::Stuck:
        line = QStringLiteral("the diary %1 is damaged (%2) and could not be renamed; rounds are "
                              "kept in memory")
                   .arg(m_path, detail);
        m_problem = QStringLiteral("Не удалось прочитать дневник: файл %1 повреждён, и его не "
                                   "удалось переименовать.")
                        .arg(m_path) +
                    keptInMemory();
        break;
    case Failure::Refused:
        line = QStringLiteral("the diary %1 refused the round of %3 (%2); it is left out")
                   .arg(m_path, detail, where);
        m_problem =
            QStringLiteral("Раунд %1 не удалось записать в дневник, он пропущен.").arg(where);
        break;
    case Failure::Newer:
        line = QStringLiteral("the diary %1 was written by a newer version of the game; rounds "
                              "are kept in memory")
                   .arg(m_path);
        m_problem = QStringLiteral("Дневник записан более новой версией игры, и эта версия не "
                                   "может его дополнить.") +
                    keptInMemory();
        break;
    }
    // Both are told once and are still true after the next good write: a file set aside, a round
    // left out.
    m_problemStays = kind == Failure::Damaged || kind == Failure::Refused;
    const unsigned bit = 1u << unsigned(kind);
    if (!(m_told & bit)) {
        m_told |= bit;
        std::fprintf(stderr, "kvadrilka: %s\n", line.toLocal8Bit().constData());
    }
}

void DiaryStore::recovered()
{
    m_told = 0;
    if (!m_problemStays)
        m_problem.clear();
}
