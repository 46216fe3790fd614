// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "diaryround.h"

#include <QList>
#include <QWidget>

class Dialogs;
class QBarSet;
class QChart;
class QChartView;
class QCategoryAxis;
class QCheckBox;
class QComboBox;
class ClassModel;
class QDateTimeAxis;
class QLabel;
class QModelIndex;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;
class QValueAxis;
class Records;
class RoundsModel;

// The diary for parents and teachers. Its children, who plays now, and two pages: the chosen
// child's rounds in a table, the score over time per level and for the chosen round how long
// each target took; and the class, one line per child. It reads the records when first shown and
// again whenever a round is written while it is open, each page when it is in view.
class DiaryWindow : public QWidget
{
    Q_OBJECT
public:
    DiaryWindow(Records &records, Dialogs &dialogs, QWidget *parent = nullptr);

    void reload();
    void setVisible(bool visible) override;
    // Chooses the child and brings its page to the front.
    void showChild(const Child &child);

private:
    void createControls();
    QWidget *createChildPage();
    QWidget *createClassPage();
    void fillChildren(const QList<Child> &children);
    void fillChild();
    void showRounds(const QList<DiaryRound> &rounds);
    void fillClass();
    void showClass(const QList<ClassRow> &rows);
    void pageChanged();
    void childChosen(int index);
    void showPlayer();
    void makePlayer();
    void addChild();
    void renameChild();
    void removeChild();
    void openClassRow(const QModelIndex &index);
    // The chosen child, when it is still in the diary.
    const Child *chosen() const;
    void fillScoreChart();
    void showRound(const QModelIndex &current);
    void showTargets(const DiaryRound &round, const QList<TargetRecord> &targets);
    void clearTargets();
    void showStatus();
    void storeChanged();
    void exportCsv(bool targets);
    void makeReport();
    void clearDiary();
    // The sentence a question to clear adds where rounds go to the school's server.
    QString schoolKeeps();

    Records &m_store;
    Dialogs &m_dialogs;
    bool m_stale = true;
    bool m_childStale = true;
    bool m_classStale = true;
    bool m_pageByHand = false;
    // Count the reads asked for, so that only the answer to the latest is shown.
    int m_reloads = 0;
    int m_roundReads = 0;
    int m_classReads = 0;
    QList<Child> m_children;
    Child m_chosen;

    QComboBox *m_child = nullptr;
    QLabel *m_playerLine = nullptr;
    QLabel *m_place = nullptr;
    QLabel *m_recordingLock = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_makePlayer = nullptr;
    QPushButton *m_rename = nullptr;
    QPushButton *m_remove = nullptr;
    QTabWidget *m_tabs = nullptr;
    QWidget *m_childPage = nullptr;
    QWidget *m_classPage = nullptr;
    QLabel *m_empty = nullptr;
    ClassModel *m_classModel = nullptr;
    QSortFilterProxyModel *m_classSorted = nullptr;
    QTableView *m_class = nullptr;

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
