// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <utility>

class QSqlError;

// What went wrong with the diary file, told once on standard error and kept as one sentence for
// the window.
class Failures
{
public:
    enum Kind { Folder, Open, Read, Write, Full, Busy, Damaged, Stuck, Newer, Refused };
    // Where the rounds that could not be written wait.
    enum class Waiting { Outbox, Memory };

    explicit Failures(const QString &path) : m_path(path) {}

    // Kind of an SQL failure as far as the diary cares.
    static Kind kindOf(const QSqlError &error);
    static QString oneLine(const QSqlError &error);

    void fail(Kind kind, const QString &detail = {}, const QString &where = {});
    // A write worked: failures may be told again, and the sentence goes unless it stays true.
    void recovered();
    void setWaiting(Waiting waiting) { m_waiting = waiting; }
    // Said as things stand now: where the waiting rounds are may have changed since.
    QString problem() const;

private:
    // The line for standard error and the sentence for the window.
    std::pair<QString, QString> texts(Kind kind, const QString &detail, const QString &where) const;
    QString waitingSentence(Kind kind) const;
    QString waitingLine(Kind kind) const;

    QString m_path;
    Waiting m_waiting = Waiting::Outbox;
    // Failures already told on standard error, one bit per kind, until a write works again.
    unsigned m_told = 0;
    struct Last
    {
        Kind kind;
        QString detail, where;
    };
    std::optional<Last> m_last;
    // A damaged file set aside, or a round left out, stays worth knowing after writes work again.
    bool m_problemStays = false;
};
