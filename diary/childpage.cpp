// SPDX-License-Identifier: GPL-3.0-or-later
#include "childpage.h"
#include "records.h"
#include "roundcharts.h"
#include "roundsmodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

ChildPage::ChildPage(Records &records, QWidget *parent) : QWidget(parent), m_store(records)
{
    m_empty = new QLabel(this);
    m_empty->setObjectName(QStringLiteral("empty"));
    m_empty->setWordWrap(true);
    m_empty->hide();

    // The table before its model: children go in the order made, and the view goes first.
    m_table = new QTableView(this);
    m_model = new RoundsModel(this);
    m_table->setObjectName(QStringLiteral("rounds"));
    m_table->setAccessibleName(QStringLiteral("Сыгранные раунды"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    // Fitting the columns looks at a few rows only: the diary may hold thousands.
    m_table->horizontalHeader()->setResizeContentsPrecision(50);
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ChildPage::showRound);

    auto *exportButton = new QPushButton(QStringLiteral("Сохранить в CSV…"), this);
    exportButton->setObjectName(QStringLiteral("exportCsv"));
    connect(exportButton, &QPushButton::clicked, this, [this] { emit exportRequested(false); });
    auto *exportTargets = new QPushButton(QStringLiteral("Квадратики в CSV…"), this);
    exportTargets->setObjectName(QStringLiteral("exportTargetsCsv"));
    exportTargets->setToolTip(QStringLiteral("Каждый квадратик каждого раунда отдельной строкой"));
    connect(exportTargets, &QPushButton::clicked, this, [this] { emit exportRequested(true); });
    m_clear = new QPushButton(QStringLiteral("Очистить дневник…"), this);
    m_clear->setObjectName(QStringLiteral("clearDiary"));
    m_clear->setToolTip(QStringLiteral("Стереть раунды выбранного ребёнка"));
    connect(m_clear, &QPushButton::clicked, this, &ChildPage::clearRequested);
    // After the buttons: Tab reaches them before the charts.
    m_charts = new RoundCharts(records, this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(exportButton);
    buttons->addWidget(exportTargets);
    buttons->addWidget(m_clear);

    auto *layout = new QVBoxLayout(this);
    // The tab's frame is margin enough: the table's columns need the width.
    layout->setContentsMargins(4, 6, 4, 4);
    layout->addWidget(m_empty);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_charts, 1);
    layout->addLayout(buttons);
}

void ChildPage::showChild(const Child *child)
{
    const int turn = ++m_reads;
    if (!child) {
        showRounds({});
        return;
    }
    m_store.readRounds(*child, this, [this, turn](std::optional<QList<DiaryRound>> rounds) {
        if (turn == m_reads)
            showRounds(rounds.value_or(QList<DiaryRound>()));
    });
}

void ChildPage::showRounds(const QList<DiaryRound> &rounds)
{
    // The newest round stays chosen as new ones come; an older one chosen by hand stays chosen,
    // as long as the same child is shown: known by its UUID, which no reload changes.
    const int oldRow = m_table->currentIndex().row();
    const QUuid chosenRound = oldRow > 0 ? m_model->round(oldRow).uuid : QUuid();
    m_model->setRounds(rounds);
    m_table->resizeColumnsToContents();
    m_charts->showRounds(rounds);

    const auto found =
        std::find_if(rounds.cbegin(), rounds.cend(),
                     [&chosenRound](const DiaryRound &r) { return r.uuid == chosenRound; });
    const int row = found == rounds.cend() ? 0 : int(found - rounds.cbegin());
    if (rounds.isEmpty())
        showRound({});
    else
        m_table->setCurrentIndex(m_model->index(row, 0));
    emit shown();
}

void ChildPage::showEmpty(bool noChildren, const Child *child)
{
    QString empty;
    if (noChildren)
        empty = QStringLiteral("В дневнике нет ни одного ребёнка. Добавьте ребёнка кнопкой "
                               "«Добавить ребёнка…».");
    else if (child && m_model->rowCount() == 0)
        empty = childnames::same(*child, m_store.player())
                    ? QStringLiteral("В дневнике пока нет ни одного раунда. Сыграйте, и раунд "
                                     "появится здесь.")
                    : QStringLiteral("У этого ребёнка пока нет ни одного раунда. Чтобы его "
                                     "раунды записывались, нажмите «Теперь играет этот "
                                     "ребёнок».");
    m_empty->setText(empty);
    m_empty->setVisible(!empty.isEmpty());
}

void ChildPage::setClearable(bool clearable) { m_clear->setEnabled(clearable); }

void ChildPage::showRound(const QModelIndex &current)
{
    m_charts->showRound(current.isValid() ? &m_model->round(current.row()) : nullptr);
}
