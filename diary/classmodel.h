// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

#include <QAbstractTableModel>
#include <QList>

// The class view: one row per child. Each cell also gives the number or date behind its text
// under sortRole, so that 10 sorts after 9 and dates sort by time.
class ClassModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Name, RoundsLastWeek, LastPlayed, LatestLevel, LatestScore, BestScore, Trend };
    static constexpr int sortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<ClassRow> rows, const Child &player);
    // The child who plays now is in bold.
    void setPlayer(const Child &player);
    // Children of several accounts are told apart by the account beside the name.
    void setShowAccounts(bool show) { m_showAccounts = show; }
    const ClassRow &row(int row) const { return m_rows.at(row); }

    // "↓ 640 мс (было 820 мс), быстрее"; a dash when there are not two trends to compare.
    static QString trendText(const ClassRow &row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant text(const ClassRow &row, int column) const;
    QVariant sortValue(const ClassRow &row, int column) const;

    QList<ClassRow> m_rows;
    Child m_player;
    bool m_showAccounts = false;
};
