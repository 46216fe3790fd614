// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diaryround.h"

#include <QAbstractTableModel>
#include <QList>

// The diary's rounds as table rows, newest first. Texts are made when a row is drawn, so that
// ten thousand rounds cost no more than the ones in view.
class RoundsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Started,
        Level,
        Button,
        Click,
        Hits,
        Score,
        Grade,
        Time,
        Misses,
        Penalties,
        Ending
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setRounds(QList<DiaryRound> rounds);
    const DiaryRound &round(int row) const { return m_rounds.at(row); }
    const QList<DiaryRound> &rounds() const { return m_rounds; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<DiaryRound> m_rounds;
};
