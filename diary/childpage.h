// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "diaryround.h"

#include <QWidget>

class QLabel;
class QModelIndex;
class QPushButton;
class QTableView;
class Records;
class RoundCharts;
class RoundsModel;

// One child's diary: the rounds in a table, the charts under it, and the buttons that save or
// clear them, which the window carries out.
class ChildPage : public QWidget
{
    Q_OBJECT
public:
    explicit ChildPage(Records &records, QWidget *parent = nullptr);

    // Reads the child's rounds; null shows none. shown() once they are in view.
    void showChild(const Child *child);
    // Says why the table is empty, if it is.
    void showEmpty(bool noChildren, const Child *child);
    void setClearable(bool clearable);

signals:
    void exportRequested(bool targets);
    void clearRequested();
    void shown();

private:
    void showRound(const QModelIndex &current);
    void showRounds(const QList<DiaryRound> &rounds);

    Records &m_store;
    QLabel *m_empty = nullptr;
    RoundsModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    RoundCharts *m_charts = nullptr;
    QPushButton *m_clear = nullptr;
    int m_reads = 0; // only the answer to the latest read is shown
};
