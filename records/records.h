// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

    // Newest first; none, with problem() set, when they cannot be read.
    virtual std::optional<QList<DiaryRound>> rounds() = 0;
    virtual QList<TargetRecord> targets(qint64 roundId) = 0;
    virtual bool clear() = 0;

    // The recording switch as it is on disk now.
    virtual bool isRecording() const = 0;
    virtual void setRecording(bool on) = 0;

    // The last thing that went wrong, as a sentence for the window; empty when all is well.
    virtual QString problem() const = 0;

signals:
    // After rounds were written or the records were cleared.
    void changed();
};
