// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diaryround.h"

#include <QList>
#include <QWidget>

class QBarSet;
class QCategoryAxis;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QValueAxis;
class Records;

// Under the child's table: the score over time per level, and for the chosen round how long each
// target took, with a sentence on the speed of aiming.
class RoundCharts : public QWidget
{
    Q_OBJECT
public:
    explicit RoundCharts(Records &records, QWidget *parent = nullptr);

    // The child's rounds, newest first.
    void showRounds(const QList<DiaryRound> &rounds);
    // The round chosen in the table; null for none. Its targets are read, and drawn once they
    // come if it is still the one chosen.
    void showRound(const DiaryRound *round);

private:
    void clearTargets();
    void showTargets(const DiaryRound &round, const QList<TargetRecord> &targets);

    Records &m_store;
    QChart *m_scoreChart = nullptr;
    QChartView *m_scoreView = nullptr;
    QChartView *m_targetView = nullptr;
    QDateTimeAxis *m_timeAxis = nullptr;
    QValueAxis *m_scoreAxis = nullptr;
    QBarSet *m_times = nullptr;
    QCategoryAxis *m_targetAxis = nullptr;
    QValueAxis *m_msAxis = nullptr;
    QLabel *m_throughput = nullptr;
    QUuid m_round; // the round chosen, whose targets are drawn
};
