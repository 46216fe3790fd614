// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarywindow.h"
#include "classmodel.h"
#include "dialogs.h"
#include "diarytexts.h"
#include "readnow.h"
#include "records.h"
#include "reportdialog.h"
#include "roundsmodel.h"
#include "rules.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSaveFile>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString title() { return QStringLiteral("Дневник"); }

// A picture is nothing to a screen reader: the view takes focus once, as itself, and says in a
// sentence what the picture shows.
QChartView *chartView(QChart *chart, const char *name, const QString &accessibleName,
                      QWidget *parent)
{
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto *view = new QChartView(chart, parent);
    view->setObjectName(QLatin1String(name));
    view->setAccessibleName(accessibleName);
    view->viewport()->setFocusPolicy(Qt::NoFocus);
    view->viewport()->setAccessibleName(accessibleName);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);
    return view;
}

} // namespace

DiaryWindow::DiaryWindow(Records &records, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(records), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("diary"));
    setWindowTitle(title());
    createControls();
    resize(960, 680);
    connect(&m_store, &Records::changed, this, &DiaryWindow::storeChanged);
}

void DiaryWindow::createControls()
{
    auto *childLabel = new QLabel(QStringLiteral("Ребёнок:"), this);
    m_child = new QComboBox(this);
    m_child->setObjectName(QStringLiteral("child"));
    // Named as the label beside it reads; the list it opens, too.
    m_child->setAccessibleName(QStringLiteral("Ребёнок"));
    m_child->view()->setAccessibleName(QStringLiteral("Ребёнок"));
    m_child->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_child->setMinimumContentsLength(12);
    childLabel->setBuddy(m_child);
    connect(m_child, &QComboBox::currentIndexChanged, this, &DiaryWindow::childChosen);
    m_add = new QPushButton(QStringLiteral("Добавить ребёнка…"), this);
    m_add->setObjectName(QStringLiteral("addChild"));
    connect(m_add, &QPushButton::clicked, this, &DiaryWindow::addChild);
    auto *reportButton = new QPushButton(QStringLiteral("Отчёт…"), this);
    reportButton->setObjectName(QStringLiteral("report"));
    reportButton->setToolTip(QStringLiteral("Отчёт для родителей в PDF: по странице на ребёнка"));
    connect(reportButton, &QPushButton::clicked, this, &DiaryWindow::makeReport);
    m_rename = new QPushButton(QStringLiteral("Переименовать…"), this);
    m_rename->setObjectName(QStringLiteral("renameChild"));
    connect(m_rename, &QPushButton::clicked, this, &DiaryWindow::renameChild);
    m_remove = new QPushButton(QStringLiteral("Удалить ребёнка…"), this);
    m_remove->setObjectName(QStringLiteral("removeChild"));
    connect(m_remove, &QPushButton::clicked, this, &DiaryWindow::removeChild);

    // Nothing in the game says who plays: this line does.
    m_playerLine = new QLabel(this);
    m_playerLine->setObjectName(QStringLiteral("player"));
    m_playerLine->setTextFormat(Qt::PlainText);
    QFont bold = m_playerLine->font();
    bold.setBold(true);
    m_playerLine->setFont(bold);
    m_makePlayer = new QPushButton(QStringLiteral("Теперь играет этот ребёнок"), this);
    m_makePlayer->setObjectName(QStringLiteral("makePlayer"));
    m_makePlayer->setToolTip(
        QStringLiteral("Следующие раунды на этом компьютере запишутся в дневник выбранного "
                       "ребёнка"));
    connect(m_makePlayer, &QPushButton::clicked, this, &DiaryWindow::makePlayer);
    m_recording = new QCheckBox(QStringLiteral("Записывать раунды"), this);
    m_recording->setObjectName(QStringLiteral("recording"));
    connect(m_recording, &QCheckBox::toggled, this, [this](bool on) {
        m_store.setRecording(on);
        showPlayer();
    });

    // Which rounds these are, and what still waits to go to the school's server.
    m_place = new QLabel(this);
    m_place->setObjectName(QStringLiteral("place"));
    m_place->setTextFormat(Qt::PlainText);
    m_recordingLock = new QLabel(this);
    m_recordingLock->setObjectName(QStringLiteral("recordingLock"));
    m_recordingLock->hide();

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->hide();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pages"));
    m_tabs->setAccessibleName(QStringLiteral("Дневник ребёнка и класс"));
    m_childPage = createChildPage();
    m_classPage = createClassPage();
    m_tabs->addTab(m_childPage, QStringLiteral("Дневник ребёнка"));
    m_tabs->addTab(m_classPage, QStringLiteral("Класс"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        m_pageByHand = true;
        pageChanged();
    });

    auto *children = new QHBoxLayout;
    children->addWidget(childLabel);
    children->addWidget(m_child);
    children->addWidget(m_add);
    children->addWidget(m_rename);
    children->addWidget(m_remove);
    children->addStretch(1);
    children->addWidget(reportButton);
    auto *player = new QHBoxLayout;
    player->addWidget(m_playerLine);
    player->addWidget(m_makePlayer);
    player->addStretch(1);
    player->addWidget(m_recording);
    auto *place = new QHBoxLayout;
    place->addWidget(m_place);
    place->addStretch(1);
    place->addWidget(m_recordingLock);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(children);
    layout->addLayout(player);
    layout->addLayout(place);
    layout->addWidget(m_status);
    layout->addWidget(m_tabs, 1);
}

QWidget *DiaryWindow::createChildPage()
{
    auto *page = new QWidget(this);
    m_empty = new QLabel(page);
    m_empty->setObjectName(QStringLiteral("empty"));
    m_empty->setWordWrap(true);
    m_empty->hide();

    m_model = new RoundsModel(this);
    m_table = new QTableView(page);
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
            &DiaryWindow::showRound);

    m_scoreChart = new QChart;
    m_scoreChart->setTitle(QStringLiteral("Очки в каждом раунде: попадания минус штрафы"));
    m_timeAxis = new QDateTimeAxis(m_scoreChart);
    m_scoreChart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_scoreAxis = new QValueAxis(m_scoreChart);
    m_scoreAxis->setLabelFormat(QStringLiteral("%d"));
    m_scoreChart->addAxis(m_scoreAxis, Qt::AlignLeft);

    auto *targetChart = new QChart;
    targetChart->setTitle(QStringLiteral("Сколько ловили каждый квадратик, мс"));
    auto *bars = new QBarSeries(targetChart);
    m_times = new QBarSet(QStringLiteral("Время до попадания (0 — не поймал)"), bars);
    bars->append(m_times);
    targetChart->addSeries(bars);
    // Thirty numbers side by side do not fit under thin bars: the first and every fifth do.
    m_targetAxis = new QCategoryAxis(targetChart);
    m_targetAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_targetAxis->setGridLineVisible(false);
    targetChart->addAxis(m_targetAxis, Qt::AlignBottom);
    bars->attachAxis(m_targetAxis);
    m_msAxis = new QValueAxis(targetChart);
    m_msAxis->setLabelFormat(QStringLiteral("%d"));
    targetChart->addAxis(m_msAxis, Qt::AlignLeft);
    bars->attachAxis(m_msAxis);

    m_throughput = new QLabel(page);
    m_throughput->setObjectName(QStringLiteral("throughput"));
    m_throughput->setWordWrap(true);

    auto *exportButton = new QPushButton(QStringLiteral("Сохранить в CSV…"), page);
    exportButton->setObjectName(QStringLiteral("exportCsv"));
    connect(exportButton, &QPushButton::clicked, this, [this] { exportCsv(false); });
    auto *exportTargets = new QPushButton(QStringLiteral("Квадратики в CSV…"), page);
    exportTargets->setObjectName(QStringLiteral("exportTargetsCsv"));
    exportTargets->setToolTip(QStringLiteral("Каждый квадратик каждого раунда отдельной строкой"));
    connect(exportTargets, &QPushButton::clicked, this, [this] { exportCsv(true); });
    m_clear = new QPushButton(QStringLiteral("Очистить дневник…"), page);
    m_clear->setObjectName(QStringLiteral("clearDiary"));
    m_clear->setToolTip(QStringLiteral("Стереть раунды выбранного ребёнка"));
    connect(m_clear, &QPushButton::clicked, this, &DiaryWindow::clearDiary);

    auto *charts = new QHBoxLayout;
    m_scoreView = chartView(m_scoreChart, "scoreChart", QStringLiteral("Очки по раундам"), page);
    charts->addWidget(m_scoreView, 3);
    auto *roundSide = new QVBoxLayout;
    m_targetView = chartView(targetChart, "targetChart",
                             QStringLiteral("Время до попадания по квадратикам"), page);
    roundSide->addWidget(m_targetView, 1);
    roundSide->addWidget(m_throughput);
    charts->addLayout(roundSide, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(exportButton);
    buttons->addWidget(exportTargets);
    buttons->addWidget(m_clear);

    auto *layout = new QVBoxLayout(page);
    // The tab's frame is margin enough: the table's columns need the width.
    layout->setContentsMargins(4, 6, 4, 4);
    layout->addWidget(m_empty);
    layout->addWidget(m_table, 1);
    layout->addLayout(charts, 1);
    layout->addLayout(buttons);
    return page;
}

QWidget *DiaryWindow::createClassPage()
{
    auto *page = new QWidget(this);
    auto *hint = new QLabel(QStringLiteral("Двойной щелчок по строке открывает дневник ребёнка. "
                                           "Столбцы сортируются щелчком по заголовку."),
                            page);
    hint->setWordWrap(true);
    m_classModel = new ClassModel(this);
    m_classSorted = new QSortFilterProxyModel(this);
    m_classSorted->setSourceModel(m_classModel);
    m_classSorted->setSortRole(ClassModel::sortRole);
    m_classSorted->setSortLocaleAware(true);
    m_classSorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_class = new QTableView(page);
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
    connect(m_class, &QAbstractItemView::doubleClicked, this, &DiaryWindow::openClassRow);
    // The keyboard's way to the same place.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *open =
            new QShortcut(QKeySequence(key), m_class, nullptr, nullptr, Qt::WidgetShortcut);
        connect(open, &QShortcut::activated, this,
                [this] { openClassRow(m_class->currentIndex()); });
    }
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 6, 4, 4);
    layout->addWidget(hint);
    layout->addWidget(m_class, 1);
    return page;
}

void DiaryWindow::setVisible(bool visible)
{
    // Filled before showing, not on the show event: a date axis filled while the window is
    // being shown keeps blank labels.
    if (visible && m_stale)
        reload();
    QWidget::setVisible(visible);
}

void DiaryWindow::storeChanged()
{
    m_stale = true;
    if (isVisible())
        reload();
}

void DiaryWindow::reload()
{
    m_stale = false;
    // Only the answer to the latest reload is shown: the records may answer later, and another
    // reload may have been asked for meanwhile.
    m_store.readChildren(this, [this, turn = ++m_reloads](std::optional<QList<Child>> children) {
        if (turn != m_reloads)
            return;
        m_childStale = m_classStale = true;
        fillChildren(children.value_or(QList<Child>()));
        // A teacher with a class starts from the class; a family with one child from its
        // diary; until the grown-up picks a page, also when the class comes in later.
        if (!m_pageByHand) {
            const QSignalBlocker quiet(m_tabs);
            m_tabs->setCurrentWidget(m_children.size() > 1 ? m_classPage : m_childPage);
        }
        pageChanged();
    });
}

void DiaryWindow::pageChanged()
{
    if (m_tabs->currentWidget() == m_childPage && m_childStale)
        fillChild();
    else if (m_tabs->currentWidget() == m_classPage && m_classStale)
        fillClass();
}

void DiaryWindow::fillChildren(const QList<Child> &children)
{
    m_children = children;
    const Child player = m_store.player();
    // The chosen child stays chosen; one removed gives way to the one who plays.
    if (!chosen())
        m_chosen = player;
    if (!chosen() && !m_children.isEmpty())
        m_chosen = m_children.constFirst();
    {
        const QSignalBlocker quiet(m_child);
        m_child->clear();
        const bool accounts = m_store.manyAccounts();
        for (const Child &child : std::as_const(m_children))
            m_child->addItem(accounts ? QStringLiteral("%1 (%2)").arg(child.name, child.account)
                                      : child.name);
        const Child *current = chosen();
        m_child->setCurrentIndex(current ? int(current - m_children.constData()) : -1);
    }
    {
        const QSignalBlocker quiet(m_recording);
        m_recording->setChecked(m_store.isRecording());
    }
    // The administrator's lock greys the switch and says why in one line.
    const QString lock = m_store.recordingLock();
    m_recording->setEnabled(lock.isEmpty());
    m_recordingLock->setText(lock);
    m_recordingLock->setVisible(!lock.isEmpty());
    // The school's server is only read: its children are kept on their own accounts.
    const bool own = !m_store.manyAccounts();
    m_add->setEnabled(own);
    m_clear->setEnabled(own);
    m_rename->setEnabled(own && chosen() != nullptr);
    m_remove->setEnabled(own && chosen() != nullptr);
    showPlayer();
    showStatus();
}

const Child *DiaryWindow::chosen() const
{
    const auto found =
        std::find_if(m_children.cbegin(), m_children.cend(),
                     [this](const Child &child) { return childnames::same(child, m_chosen); });
    return found == m_children.cend() ? nullptr : &*found;
}

void DiaryWindow::showPlayer()
{
    const Child player = m_store.player();
    m_playerLine->setText(
        m_store.isRecording()
            ? QStringLiteral("Следующие раунды записываются для: %1").arg(player.name)
            : QStringLiteral("Раунды сейчас не записываются"));
    m_makePlayer->setEnabled(!m_store.manyAccounts() && chosen() != nullptr &&
                             !childnames::same(*chosen(), player));
    if (m_classModel->rowCount() > 0)
        m_classModel->setPlayer(player);
}

void DiaryWindow::childChosen(int index)
{
    if (index < 0 || index >= m_children.size())
        return;
    showChild(m_children.at(index));
}

void DiaryWindow::showChild(const Child &child)
{
    m_chosen = child;
    if (const Child *current = chosen()) {
        const QSignalBlocker quiet(m_child);
        m_child->setCurrentIndex(int(current - m_children.constData()));
    }
    m_childStale = true;
    showPlayer();
    if (m_tabs->currentWidget() == m_childPage)
        fillChild();
    else
        m_tabs->setCurrentWidget(m_childPage);
}

void DiaryWindow::openClassRow(const QModelIndex &index)
{
    if (index.isValid())
        showChild(m_classModel->row(m_classSorted->mapToSource(index).row()).child);
}

void DiaryWindow::makePlayer()
{
    if (const Child *current = chosen())
        m_store.setPlayer(*current);
    showPlayer();
}

void DiaryWindow::addChild()
{
    QString name;
    QString label = QStringLiteral("Имя ребёнка:");
    for (;;) {
        bool ok = false;
        name = m_dialogs.askText(this, QStringLiteral("Добавить ребёнка"), label, name, &ok);
        if (!ok)
            return;
        const QString refusal = m_store.addChild(name);
        if (refusal.isEmpty())
            break;
        // Asked again with what was typed, to be mended rather than typed anew.
        label = refusal + QStringLiteral("\n\nИмя ребёнка:");
    }
    m_chosen = {m_store.player().account, childnames::cleaned(name)};
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentWidget(m_childPage);
        m_pageByHand = true;
    }
    reload();
}

void DiaryWindow::renameChild()
{
    const Child *current = chosen();
    if (!current)
        return;
    const Child child = *current;
    QString name = child.name;
    QString label = QStringLiteral("Новое имя для «%1»:").arg(child.name);
    for (;;) {
        bool ok = false;
        name = m_dialogs.askText(this, QStringLiteral("Переименовать ребёнка"), label, name, &ok);
        if (!ok)
            return;
        const QString refusal = m_store.renameChild(child, name);
        if (refusal.isEmpty())
            break;
        label = refusal + QStringLiteral("\n\nНовое имя для «%1»:").arg(child.name);
    }
    m_chosen = {child.account, childnames::cleaned(name)};
    reload();
}

void DiaryWindow::removeChild()
{
    const Child *current = chosen();
    if (!current)
        return;
    const Child child = *current;
    if (!m_dialogs.confirm(this, QStringLiteral("Удалить ребёнка"),
                           QStringLiteral("Удалить ребёнка «%1» из дневника вместе со всеми его "
                                          "раундами? Вернуть их будет нельзя.")
                                   .arg(child.name) +
                               schoolKeeps()))
        return;
    if (const QString refusal = m_store.removeChild(child); !refusal.isEmpty())
        m_dialogs.tell(this, title(),
                       QStringLiteral("Не удалось удалить ребёнка «%1».\n").arg(child.name) +
                           refusal);
    reload();
}

void DiaryWindow::fillClass()
{
    m_classStale = false;
    m_store.readClassRows(QDateTime::currentDateTime(), this,
                          [this, turn = ++m_classReads](std::optional<QList<ClassRow>> rows) {
                              if (turn == m_classReads)
                                  showClass(rows.value_or(QList<ClassRow>()));
                          });
}

void DiaryWindow::showClass(const QList<ClassRow> &rows)
{
    m_classModel->setShowAccounts(m_store.manyAccounts());
    m_classModel->setRows(rows, m_store.player());
    m_class->resizeColumnsToContents();
    // Names may be long: the figures beside them stay in view.
    constexpr int widestName = 170;
    m_class->setColumnWidth(ClassModel::Name,
                            std::min(m_class->columnWidth(ClassModel::Name), widestName));
    showStatus();
}

void DiaryWindow::fillChild()
{
    m_childStale = false;
    const int turn = ++m_roundReads;
    const Child *current = chosen();
    if (!current) {
        showRounds({});
        return;
    }
    m_store.readRounds(*current, this, [this, turn](std::optional<QList<DiaryRound>> rounds) {
        if (turn == m_roundReads)
            showRounds(rounds.value_or(QList<DiaryRound>()));
    });
}

void DiaryWindow::showRounds(const QList<DiaryRound> &rounds)
{
    // The newest round stays chosen as new ones come; an older one chosen by hand stays chosen,
    // as long as the same child is shown: known by its UUID, which no reload changes.
    const int oldRow = m_table->currentIndex().row();
    const QUuid chosenRound = oldRow > 0 ? m_model->round(oldRow).uuid : QUuid();
    m_model->setRounds(rounds);
    m_table->resizeColumnsToContents();
    fillScoreChart();
    showStatus();

    const auto found =
        std::find_if(rounds.cbegin(), rounds.cend(),
                     [&chosenRound](const DiaryRound &r) { return r.uuid == chosenRound; });
    const int row = found == rounds.cend() ? 0 : int(found - rounds.cbegin());
    if (rounds.isEmpty())
        showRound({});
    else
        m_table->setCurrentIndex(m_model->index(row, 0));
}

void DiaryWindow::fillScoreChart()
{
    // One line per level, oldest round first. A round ended early would pull a line down with a
    // score it never played for: it is a hollow grey point of its own.
    QMap<int, QList<QPointF>> byLevel;
    QList<QPointF> early;
    int lowest = 0;
    const DiaryRound *last = nullptr;
    const DiaryRound *best = nullptr;
    const QList<DiaryRound> &rounds = m_model->rounds();
    for (auto round = rounds.crbegin(); round != rounds.crend(); ++round) {
        const QPointF point(qreal(round->started.toMSecsSinceEpoch()), round->score);
        if (round->ending == RoundEnding::Result) {
            byLevel[round->level].append(point);
            if (!best || round->score >= best->score)
                best = &*round;
        } else {
            early.append(point);
        }
        lowest = std::min(lowest, round->score);
        last = &*round;
    }
    m_scoreChart->removeAllSeries();
    auto attach = [this](QXYSeries *series) {
        m_scoreChart->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_scoreAxis);
    };
    for (auto level = byLevel.cbegin(); level != byLevel.cend(); ++level) {
        auto *line = new QLineSeries(m_scoreChart);
        line->setName(diarytexts::levelName(level.key()));
        line->setPointsVisible(level.value().size() < 60);
        line->replace(level.value());
        attach(line);
    }
    if (!early.isEmpty()) {
        auto *points = new QScatterSeries(m_scoreChart);
        points->setName(QStringLiteral("досрочно"));
        points->setMarkerSize(9);
        points->setColor(Qt::transparent);
        points->setBorderColor(Qt::darkGray);
        points->replace(early);
        attach(points);
    }
    // A round can end below zero: the axis goes down to the ten below the lowest score, and
    // never above 30, the most a round can score.
    const int bottom = lowest < 0 ? -10 * ((-lowest + 9) / 10) : 0;
    m_scoreAxis->setRange(bottom, rules::roundLength);
    m_scoreAxis->setTickCount(bottom < 0 ? (rules::roundLength - bottom) / 10 + 1 : 7);
    m_scoreAxis->setLabelFormat(QStringLiteral("%d"));

    QString sentence = QStringLiteral("Раундов пока нет.");
    if (last) {
        sentence =
            QStringLiteral("Последний раунд, %1: %2, попаданий %3.")
                .arg(last->started.toString(QStringLiteral("dd.MM.yyyy")),
                     diarytexts::pointsText(last->score), diarytexts::hitsText(last->figures.hits));
        if (best)
            sentence += QStringLiteral(" Лучший доигранный раунд: %1, %2.")
                            .arg(diarytexts::pointsText(best->score),
                                 best->started.toString(QStringLiteral("dd.MM.yyyy")));
    }
    m_scoreView->setAccessibleDescription(sentence);

    // No rounds: the week up to now, rather than the dates of the child shown before.
    if (rounds.isEmpty()) {
        m_timeAxis->setFormat(QStringLiteral("dd.MM.yy"));
        m_timeAxis->setRange(QDateTime::currentDateTime().addDays(-7),
                             QDateTime::currentDateTime());
    } else {
        QDateTime first = rounds.constLast().started;
        QDateTime latest = rounds.constFirst().started;
        // A single day still gets a readable span.
        if (first.secsTo(latest) < 3600) {
            first = first.addSecs(-1800);
            latest = latest.addSecs(1800);
        }
        m_timeAxis->setFormat(first.daysTo(latest) < 3 ? QStringLiteral("dd.MM HH:mm")
                                                       : QStringLiteral("dd.MM.yy"));
        m_timeAxis->setRange(first, latest);
    }
}

void DiaryWindow::clearTargets()
{
    m_times->remove(0, m_times->count());
    for (const QString &label : m_targetAxis->categoriesLabels())
        m_targetAxis->remove(label);
}

void DiaryWindow::showRound(const QModelIndex &current)
{
    // Nothing of the round chosen before stays while the chosen one's targets are on their way.
    clearTargets();
    if (!current.isValid()) {
        m_throughput->clear();
        m_targetView->setAccessibleDescription(QStringLiteral("Раунд не выбран."));
        return;
    }
    const DiaryRound round = m_model->round(current.row());
    m_store.readTargets(round.uuid, this,
                        [this, round](std::optional<QList<TargetRecord>> targets) {
                            // Answers may come late, and out of turn: only the round still chosen
                            // is drawn.
                            const QModelIndex now = m_table->currentIndex();
                            if (now.isValid() && m_model->round(now.row()).uuid == round.uuid)
                                showTargets(round, targets.value_or(QList<TargetRecord>()));
                        });
}

void DiaryWindow::showTargets(const DiaryRound &round, const QList<TargetRecord> &targets)
{
    // The same round may be answered twice, chosen again meanwhile.
    clearTargets();
    QStringList numbers;
    QList<qreal> times;
    qint64 longest = 0;
    std::optional<qint64> fastest;
    for (const TargetRecord &target : targets) {
        numbers.append(QString::number(target.number));
        const std::optional<qint64> time = figures::timeToHit(target);
        times.append(qreal(time.value_or(0)));
        longest = std::max(longest, time.value_or(0));
        if (time && (!fastest || *time < *fastest))
            fastest = time;
    }
    QString sentence = QStringLiteral("Раунд %1: поймано %2 квадратиков")
                           .arg(round.started.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                                diarytexts::hitsText(round.figures.hits));
    if (fastest)
        sentence +=
            QStringLiteral(", быстрее всего за %1, дольше всего за %2")
                .arg(diarytexts::timeText(double(*fastest)), diarytexts::timeText(double(longest)));
    m_targetView->setAccessibleDescription(sentence + u'.');
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        if (i == 0 || numbers[i].toInt() % 5 == 0)
            m_targetAxis->append(numbers[i], qreal(i));
    }
    m_targetAxis->setRange(-0.5, qMax(qreal(numbers.size()), qreal(rules::roundLength)) - 0.5);
    m_times->append(times);
    m_msAxis->setRange(0, std::max<qint64>(longest, 1000));
    m_msAxis->applyNiceNumbers();
    QString aim = QStringLiteral("Скорость наведения в этом раунде: %1")
                      .arg(diarytexts::throughputText(round.figures.throughput));
    if (round.figures.reactionMs)
        aim += QStringLiteral(", время реакции: %1")
                   .arg(diarytexts::timeText(round.figures.reactionMs));
    m_throughput->setText(
        aim + QStringLiteral(". Её считают по тому, куда легли щелчки и сколько времени рука "
                             "вела указатель. По ней ребёнка сравнивают только с ним самим в "
                             "прошлых раундах, никогда — с другими детьми. Промахи в неё не "
                             "входят: они считаются рядом, в своём столбце. Прочерк — если "
                             "попаданий меньше пяти или раунд записан до того, как игра стала её "
                             "считать."));
}

void DiaryWindow::showStatus()
{
    // What is shown, as the records say after their last answer, and what waits to go.
    QString place = QStringLiteral("Показано: %1").arg(m_store.place());
    if (const std::optional<int> waiting = m_store.waitingForSchool())
        place += QStringLiteral(" · ждут отправки на школьный сервер: %1").arg(*waiting);
    m_place->setText(place);

    const QString problem = m_store.problem();
    m_status->setText(problem);
    m_status->setVisible(!problem.isEmpty());

    QString empty;
    const Child *current = chosen();
    if (m_children.isEmpty())
        empty = QStringLiteral("В дневнике нет ни одного ребёнка. Добавьте ребёнка кнопкой "
                               "«Добавить ребёнка…».");
    else if (current && m_model->rowCount() == 0)
        empty = childnames::same(*current, m_store.player())
                    ? QStringLiteral("В дневнике пока нет ни одного раунда. Сыграйте, и раунд "
                                     "появится здесь.")
                    : QStringLiteral("У этого ребёнка пока нет ни одного раунда. Чтобы его "
                                     "раунды записывались, нажмите «Теперь играет этот "
                                     "ребёнок».");
    m_empty->setText(empty);
    m_empty->setVisible(!empty.isEmpty());
}

void DiaryWindow::exportCsv(bool targets)
{
    const Child *current = chosen();
    if (!current)
        return;
    const Child child = *current;
    // The child's name in the file's name, less what a file name cannot hold.
    QString name = child.name;
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral("_"));
    const QString suggested = QDir::home().filePath(
        (targets ? QStringLiteral("дневник-квадратики-%1.csv") : QStringLiteral("дневник-%1.csv"))
            .arg(name));
    const QString fileName =
        m_dialogs.saveFileName(this, QStringLiteral("Сохранить дневник"), suggested);
    if (fileName.isEmpty())
        return;
    const std::optional<QList<DiaryRound>> rounds = readNow<QList<DiaryRound>>(
        [&](QObject *context, Records::Answer<QList<DiaryRound>> answer) {
            m_store.readRounds(child, context, answer);
        });
    const std::optional<QByteArray> text = !rounds   ? std::nullopt
                                           : targets ? diarytexts::targetsCsv(*rounds, m_store)
                                                     : std::optional(diarytexts::csv(*rounds));
    QSaveFile file(fileName);
    // Written whole or not at all.
    if (!text || !file.open(QIODevice::WriteOnly) || file.write(*text) < 0 || !file.commit())
        m_dialogs.tell(this, title(),
                       QStringLiteral("Не удалось сохранить дневник в файл %1. Проверьте, что "
                                      "папка есть и в неё можно записывать.")
                           .arg(fileName));
}

void DiaryWindow::makeReport()
{
    offerReport(this, m_dialogs, m_store, m_children, QDateTime::currentDateTime());
}

QString DiaryWindow::schoolKeeps()
{
    // Clearing never takes from the school what it has not got yet; the question says so.
    if (!m_store.waitingForSchool())
        return {};
    return QStringLiteral(" Раунды, которые ещё не дошли до школьного сервера, пропадут из "
                          "дневника, но всё равно уйдут на сервер.");
}

void DiaryWindow::clearDiary()
{
    const Child *current = chosen();
    if (!current)
        return;
    const Child child = *current;
    if (!m_dialogs.confirm(this, QStringLiteral("Очистить дневник"),
                           QStringLiteral("Стереть все раунды ребёнка «%1»? Вернуть их будет "
                                          "нельзя. Раунды других детей останутся.")
                                   .arg(child.name) +
                               schoolKeeps()))
        return;
    if (!m_store.clear(child))
        m_dialogs.tell(this, title(),
                       QStringLiteral("Не удалось очистить дневник.\n") + m_store.problem());
    reload();
}
