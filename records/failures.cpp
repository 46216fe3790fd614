// SPDX-License-Identifier: GPL-3.0-or-later
#include "failures.h"

#include <QSqlError>

#include <cstdio>

namespace {

// SQLite's primary result codes that change what the diary does.
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;
constexpr int sqliteCorrupt = 11;
constexpr int sqliteFull = 13;
constexpr int sqliteTooBig = 18;
constexpr int sqliteConstraint = 19;
constexpr int sqliteMismatch = 20;
constexpr int sqliteNotADatabase = 26;

} // namespace

Failures::Kind Failures::kindOf(const QSqlError &error)
{
    // Extended codes carry the primary one in the low byte.
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case sqliteBusy:
    case sqliteLocked:
        return Busy;
    case sqliteFull:
        return Full;
    case sqliteCorrupt:
    case sqliteNotADatabase:
        return Damaged;
    case sqliteTooBig:
    case sqliteConstraint:
    case sqliteMismatch:
        return Refused;
    }
    return Write;
}

QString Failures::oneLine(const QSqlError &error)
{
    QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return text.replace(u'\n', u' ');
}

QString Failures::waitingSentence(Kind kind) const
{
    // The outbox lives in the diary's folder.
    return m_waiting == Waiting::Memory || kind == Folder
               ? QStringLiteral(" Раунды пока хранятся в памяти игры и пропадут, если её закрыть.")
               : QStringLiteral(" Раунды сохранены рядом с дневником и попадут в него, как только "
                                "он откроется.");
}

QString Failures::waitingLine(Kind kind) const
{
    return m_waiting == Waiting::Memory || kind == Folder
               ? QStringLiteral("rounds are kept in memory")
               : QStringLiteral("rounds wait in %1.outbox").arg(m_path);
}

std::pair<QString, QString> Failures::texts(Kind kind, const QString &detail,
                                            const QString &where) const
{
    QString line;
    QString problem;
    switch (kind) {
    case Folder:
        line =
            QStringLiteral("cannot create the diary folder %1; %2").arg(detail, waitingLine(kind));
        problem = QStringLiteral("Не удалось создать папку для дневника: %1.").arg(detail) +
                  waitingSentence(kind);
        break;
    case Open:
        line = QStringLiteral("cannot open the diary %1: %2; %3")
                   .arg(m_path, detail, waitingLine(kind));
        problem = QStringLiteral("Не удалось открыть дневник в файле %1.").arg(m_path) +
                  waitingSentence(kind);
        break;
    case Read:
        line = QStringLiteral("cannot read the diary %1: %2").arg(m_path, detail);
        problem = QStringLiteral("Не удалось прочитать дневник из файла %1.").arg(m_path);
        break;
    case Write:
        line = QStringLiteral("cannot write the diary %1: %2; %3")
                   .arg(m_path, detail, waitingLine(kind));
        problem = QStringLiteral("Не удалось записать дневник в файл %1.").arg(m_path) +
                  waitingSentence(kind);
        break;
    case Full:
        line = QStringLiteral("cannot write the diary %1: the disk is full (%2); %3")
                   .arg(m_path, detail, waitingLine(kind));
        problem = QStringLiteral("Не удалось записать дневник: на диске не хватает места.") +
                  waitingSentence(kind);
        break;
    case Busy:
        line = QStringLiteral("the diary %1 is busy with another game (%2); %3")
                   .arg(m_path, detail, waitingLine(kind));
        problem = QStringLiteral("Дневник сейчас занят другой игрой. Раунды, которые не "
                                 "удалось записать, запишутся со следующим.");
        break;
    case Damaged:
        line = QStringLiteral("the diary %1 is damaged (%2); it was renamed to %3 and a new one "
                              "begun")
                   .arg(m_path, detail, where);
        problem = QStringLiteral("Не удалось прочитать дневник: файл повреждён, он сохранён как "
                                 "%1, начат новый.")
                      .arg(where);
        break;
    case Stuck:
        line = QStringLiteral("the diary %1 is damaged (%2) and could not be renamed; %3")
                   .arg(m_path, detail, waitingLine(kind));
        problem = QStringLiteral("Не удалось прочитать дневник: файл %1 повреждён, и его не "
                                 "удалось переименовать.")
                      .arg(m_path) +
                  waitingSentence(kind);
        break;
    case Refused:
        line = QStringLiteral("the diary %1 refused the round of %3 (%2); it is left out")
                   .arg(m_path, detail, where);
        problem = QStringLiteral("Раунд %1 не удалось записать в дневник, он пропущен.").arg(where);
        break;
    case Newer:
        line = QStringLiteral("the diary %1 was written by a newer version of the game; %2")
                   .arg(m_path, waitingLine(kind));
        problem = QStringLiteral("Дневник записан более новой версией игры, и эта версия не "
                                 "может его дополнить.") +
                  waitingSentence(kind);
        break;
    }
    return {line, problem};
}

void Failures::fail(Kind kind, const QString &detail, const QString &where)
{
    m_last = Last{kind, detail, where};
    const QString line = texts(kind, detail, where).first;
    // Both are told once and are still true after the next good write: a file set aside, a round
    // left out.
    m_problemStays = kind == Damaged || kind == Refused;
    const unsigned bit = 1u << unsigned(kind);
    if (!(m_told & bit)) {
        m_told |= bit;
        std::fprintf(stderr, "kvadrilka: %s\n", line.toLocal8Bit().constData());
    }
}

void Failures::recovered()
{
    m_told = 0;
    if (!m_problemStays)
        m_last.reset();
}

QString Failures::problem() const
{
    return m_last ? texts(m_last->kind, m_last->detail, m_last->where).second : QString();
}
