// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "figures.h"
#include "roundrecord.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QSettings;
class QSqlError;

// One saved round as the diary shows it, with its figures.
struct DiaryRound
{
    qint64 id = 0;
    QDateTime started; // the wall-clock time the child saw
    int level = 1;
    bool rightButton = false;
    bool doubleClick = false;
    RoundEnding ending = RoundEnding::Result;
    int score = 0;
    QString grade;
    figures::RoundFigures figures;
};

// Keeps every round in an SQLite file. Nothing here may disturb the game: roundEnded() never
// throws and never asks anything; a round that cannot be written now stays in memory and goes
// with the next write that works. The file is opened on first use, not when the store is made.
class DiaryStore : public QObject, public RoundReport
{
    Q_OBJECT
public:
    // The diary in the given file, the recording switch in the given ini file.
    DiaryStore(const QString &filePath, const QString &settingsFile, QObject *parent = nullptr);
    ~DiaryStore() override;

    static QString defaultFilePath();
    static constexpr int schemaVersion = 1;

    void roundEnded(const RoundRecord &record) override;

    bool isRecording() const;
    void setRecording(bool on);

    // Newest first. Empty, with problem() set, when the file cannot be read.
    QList<DiaryRound> rounds();
    QList<TargetRecord> targets(qint64 roundId);
    bool clear();
    // Every saved round as CSV (UTF-8, CRLF, quoted where needed), written whole or not at all.
    bool exportCsv(const QString &fileName);

    // The last thing that went wrong, as a sentence for the window; empty when all is well.
    QString problem() const { return m_problem; }
    // Rounds waiting in memory for a write that works.
    int unsavedCount() const { return int(m_pending.size()); }
    // The Qt SQL connection the store uses while it lives; for tests that tamper with it.
    QString connectionName() const { return m_connection; }

signals:
    // After rounds were written or the diary was cleared.
    void changed();

private:
    enum class Failure { Folder, Open, Read, Write, Full, Busy, Damaged, Stuck, Newer, Refused };

    bool ensureOpen(bool mayStartAfresh = true);
    // Kind of an SQL failure as far as the store cares.
    static Failure kindOf(const QSqlError &error);
    bool checkSchema(QString *damage);
    bool createSchema();
    bool startAfresh(const QString &damage);
    void close();
    bool flush();
    bool writeRound(const RoundRecord &record, QSqlError *error);
    bool readRounds(QList<DiaryRound> *rounds);
    void readFailed(const QSqlError &error);
    // Tells a failure once on standard error and keeps it as the sentence for the window.
    void fail(Failure kind, const QString &detail = {}, const QString &where = {});
    void recovered();
    QSettings &settings() const;

    QString m_path;
    QString m_settingsFile;
    QString m_connection;
    mutable std::unique_ptr<QSettings> m_settings;
    bool m_open = false;
    QList<RoundRecord> m_pending;
    // Failures already told on standard error, one bit per kind, until a write works again.
    unsigned m_told = 0;
    QString m_problem;
    // A damaged file set aside, or a round left out, stays worth knowing after writes work again.
    bool m_problemStays = false;
};
