// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class Dialogs;
class QBarSet;
class QChart;
class QChartView;
class QCategoryAxis;
class QCheckBox;
class QDateTimeAxis;
class QLabel;
class QModelIndex;
class QTableView;
class QValueAxis;
class Records;
class RoundsModel;

// The diary for parents and teachers: every round in a table, the score over time per level,
// and for the chosen round how long each target took. It reads the records when first shown and
// again whenever a round is written while it is open.
class DiaryWindow : public QWidget
{
    Q_OBJECT
public:
    DiaryWindow(Records &records, Dialogs &dialogs, QWidget *parent = nullptr);

    void reload();
    void setVisible(bool visible) override;

private:
    void createControls();
    void fillScoreChart();
    void showRound(const QModelIndex &current);
    void showStatus();
    void storeChanged();
    void exportCsv(bool targets);
    void makeReport();
    void clearDiary();

    Records &m_store;
    Dialogs &m_dialogs;
    bool m_stale = true;

    RoundsModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_status = nullptr;
    QChart *m_scoreChart = nullptr;
    QChartView *m_scoreView = nullptr;
    QChartView *m_targetView = nullptr;
    QDateTimeAxis *m_timeAxis = nullptr;
    QValueAxis *m_scoreAxis = nullptr;
    QBarSet *m_times = nullptr;
    QCategoryAxis *m_targetAxis = nullptr;
    QValueAxis *m_msAxis = nullptr;
    QLabel *m_throughput = nullptr;
    QCheckBox *m_recording = nullptr;
};
