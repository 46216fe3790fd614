// SPDX-License-Identifier: GPL-3.0-or-later
#include "classpage.h"
#include "classmodel.h"
#include "records.h"

#include <QHeaderView>
#include <QLabel>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

ClassPage::ClassPage(Records &records, QWidget *parent) : QWidget(parent), m_store(records)
{
    auto *hint = new QLabel(QStringLiteral("Двойной щелчок по строке открывает дневник ребёнка. "
                                           "Столбцы сортируются щелчком по заголовку."),
                            this);
    hint->setWordWrap(true);
    // The table before its models: children go in the order made, and the view goes first.
    m_class = new QTableView(this);
    m_classModel = new ClassModel(this);
    m_classSorted = new QSortFilterProxyModel(this);
    m_classSorted->setSourceModel(m_classModel);
    m_classSorted->setSortRole(ClassModel::sortRole);
    m_classSorted->setSortLocaleAware(true);
    m_classSorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_class->setObjectName(QStringLiteral("class"));
    m_class->setAccessibleName(QStringLiteral("Дети и их успехи"));
    m_class->setModel(m_classSorted);
    m_class->setSortingEnabled(true);
    m_class->sortByColumn(ClassModel::Name, Qt::AscendingOrder);
    m_class->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_class->setSelectionMode(QAbstractItemView::SingleSelection);
    m_class->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_class->verticalHeader()->hide();
    m_class->setWordWrap(false);
    m_class->horizontalHeader()->setStretchLastSection(true);
    connect(m_class, &QAbstractItemView::doubleClicked, this, &ClassPage::openRow);
    // The keyboard's way to the same place.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *open =
            new QShortcut(QKeySequence(key), m_class, nullptr, nullptr, Qt::WidgetShortcut);
        connect(open, &QShortcut::activated, this, [this] { openRow(m_class->currentIndex()); });
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 6, 4, 4);
    layout->addWidget(hint);
    layout->addWidget(m_class, 1);
}

void ClassPage::fill()
{
    m_store.readClassRows(QDateTime::currentDateTime(), this,
                          [this, turn = ++m_reads](std::optional<QList<ClassRow>> rows) {
                              if (turn == m_reads)
                                  showRows(rows.value_or(QList<ClassRow>()));
                          });
}

void ClassPage::showRows(const QList<ClassRow> &rows)
{
    m_classModel->setShowAccounts(m_store.manyAccounts());
    m_classModel->setRows(rows, m_store.player());
    m_class->resizeColumnsToContents();
    // Names may be long: the figures beside them stay in view.
    constexpr int widestName = 170;
    m_class->setColumnWidth(ClassModel::Name,
                            std::min(m_class->columnWidth(ClassModel::Name), widestName));
    emit shown();
}

void ClassPage::showPlayer(const Child &player)
{
    if (m_classModel->rowCount() > 0)
        m_classModel->setPlayer(player);
}

void ClassPage::openRow(const QModelIndex &index)
{
    if (index.isValid())
        emit childOpened(m_classModel->row(m_classSorted->mapToSource(index).row()).child);
}
