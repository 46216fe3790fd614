// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "diaryround.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Where the rounds are kept, as the diary window reads them: a file of this account or, later,
// the school's server. Nothing here speaks SQL.
class Records : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // A read's answer: the value, or none, with problem() set, when it could not be read.
    template <typename T> using Answer = std::function<void(std::optional<T>)>;

    // Reads answer through the function given, on this object's thread: at once when the
    // records are at hand, later when they are far (the school's server), and never once the
    // context object is gone. A caller handles both, so that one window reads either.
    //
    // The children by name, the one who plays now among them.
    virtual void readChildren(QObject *context, Answer<QList<Child>> answer) = 0;
    // One line per child, as the children are ordered.
    virtual void readClassRows(const QDateTime &now, QObject *context,
                               Answer<QList<ClassRow>> answer) = 0;
    // The child's rounds, newest first.
    virtual void readRounds(const Child &child, QObject *context,
                            Answer<QList<DiaryRound>> answer) = 0;
    // The targets of the round of that UUID; none known is an empty list.
    virtual void readTargets(const QUuid &round, QObject *context,
                             Answer<QList<TargetRecord>> answer) = 0;
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

    // Where the rounds of the last answer are kept, and why there, for the window to say:
    // "Этот компьютер", or the school's server.
    virtual QString place() const { return QStringLiteral("Этот компьютер"); }
    // Whether the children come from several accounts, whose names the window then shows.
    virtual bool manyAccounts() const { return false; }
    // Rounds of this computer that still wait for the school's server; none where rounds do not
    // go to one.
    virtual std::optional<int> waitingForSchool() { return std::nullopt; }

    // The last thing that went wrong, as a sentence for the window; empty when all is well.
    virtual QString problem() const = 0;

signals:
    // After rounds were written, children changed or the records were cleared, or where the
    // rounds shown are read from changed.
    void changed();
};
