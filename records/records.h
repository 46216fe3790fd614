// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "diaryround.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// Where the rounds are kept, as the diary window reads them: a file of this account or, later,
// the school's server. Nothing here speaks SQL.
class Records : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The children of these records by name, the one who plays now among them; none, with
    // problem() set, when they cannot be read.
    virtual std::optional<QList<Child>> children() = 0;
    // One line per child, as children() orders them.
    virtual std::optional<QList<ClassRow>> classRows(const QDateTime &now) = 0;
    // The child's rounds, newest first; none, with problem() set, when they cannot be read.
    virtual std::optional<QList<DiaryRound>> rounds(const Child &child) = 0;
    virtual QList<TargetRecord> targets(qint64 roundId) = 0;
    // Forgets the child's rounds; the child stays.
    virtual bool clear(const Child &child) = 0;

    // The children of this account, kept by the grown-ups in the diary window. Each answers
    // why it could not be done, as a sentence for the window; empty when it was done.
    virtual QString addChild(const QString &name) = 0;
    virtual QString renameChild(const Child &child, const QString &name) = 0;
    // With all its rounds.
    virtual QString removeChild(const Child &child) = 0;

    // Who the next rounds of this account are recorded for, kept between runs.
    virtual Child player() const = 0;
    virtual void setPlayer(const Child &child) = 0;

    // The recording switch as it is on disk now, and why it cannot be turned (empty when it can).
    virtual bool isRecording() const = 0;
    virtual void setRecording(bool on) = 0;
    virtual QString recordingLock() const { return {}; }

    // The last thing that went wrong, as a sentence for the window; empty when all is well.
    virtual QString problem() const = 0;

signals:
    // After rounds were written, children changed or the records were cleared.
    void changed();
};
