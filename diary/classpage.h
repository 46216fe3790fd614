// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

#include <QWidget>

class ClassModel;
class QModelIndex;
class QSortFilterProxyModel;
class QTableView;
class Records;

// The class: one line per child, sorted by any column; a line opens that child's diary.
class ClassPage : public QWidget
{
    Q_OBJECT
public:
    explicit ClassPage(Records &records, QWidget *parent = nullptr);

    // Reads the class again; shown() once it is in view.
    void fill();
    // Marks who plays now, once the class has been read.
    void showPlayer(const Child &player);

signals:
    void childOpened(const Child &child);
    void shown();

private:
    void openRow(const QModelIndex &index);
    void showRows(const QList<ClassRow> &rows);

    Records &m_store;
    ClassModel *m_classModel = nullptr;
    QSortFilterProxyModel *m_classSorted = nullptr;
    QTableView *m_class = nullptr;
    int m_reads = 0; // only the answer to the latest read is shown
};
