// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarywindow.h"
#include "dialogs.h"
#include "diarytexts.h"
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
#include <QDateTimeAxis>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QMap>
#include <QPushButton>
#include <QScatterSeries>
#include <QSaveFile>
#include <QSignalBlocker>
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
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->hide();

    m_model = new RoundsModel(this);
    m_table = new QTableView(this);
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

    m_throughput = new QLabel(this);
    m_throughput->setObjectName(QStringLiteral("throughput"));
    m_throughput->setWordWrap(true);

    auto *exportButton = new QPushButton(QStringLiteral("Сохранить в CSV…"), this);
    exportButton->setObjectName(QStringLiteral("exportCsv"));
    connect(exportButton, &QPushButton::clicked, this, [this] { exportCsv(false); });
    auto *exportTargets = new QPushButton(QStringLiteral("Квадратики в CSV…"), this);
    exportTargets->setObjectName(QStringLiteral("exportTargetsCsv"));
    exportTargets->setToolTip(QStringLiteral("Каждый квадратик каждого раунда отдельной строкой"));
    connect(exportTargets, &QPushButton::clicked, this, [this] { exportCsv(true); });
    auto *reportButton = new QPushButton(QStringLiteral("Отчёт"), this);
    reportButton->setObjectName(QStringLiteral("report"));
    reportButton->setToolTip(QStringLiteral("Отчёт для родителей в PDF: по странице на ребёнка"));
    connect(reportButton, &QPushButton::clicked, this, &DiaryWindow::makeReport);
    auto *clearButton = new QPushButton(QStringLiteral("Очистить дневник…"), this);
    clearButton->setObjectName(QStringLiteral("clearDiary"));
    connect(clearButton, &QPushButton::clicked, this, &DiaryWindow::clearDiary);
    m_recording = new QCheckBox(QStringLiteral("Записывать раунды"), this);
    m_recording->setObjectName(QStringLiteral("recording"));
    connect(m_recording, &QCheckBox::toggled, this, [this](bool on) { m_store.setRecording(on); });

    auto *charts = new QHBoxLayout;
    m_scoreView = chartView(m_scoreChart, "scoreChart", QStringLiteral("Очки по раундам"), this);
    charts->addWidget(m_scoreView, 3);
    auto *roundSide = new QVBoxLayout;
    m_targetView = chartView(targetChart, "targetChart",
                             QStringLiteral("Время до попадания по квадратикам"), this);
    roundSide->addWidget(m_targetView, 1);
    roundSide->addWidget(m_throughput);
    charts->addLayout(roundSide, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_recording);
    buttons->addStretch(1);
    buttons->addWidget(reportButton);
    buttons->addWidget(exportButton);
    buttons->addWidget(exportTargets);
    buttons->addWidget(clearButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_table, 1);
    layout->addLayout(charts, 1);
    layout->addLayout(buttons);
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
    // The newest round stays chosen as new ones come; an older one chosen by hand stays chosen.
    const int oldRow = m_table->currentIndex().row();
    const qint64 chosenId = oldRow > 0 ? m_model->round(oldRow).id : -1;
    m_model->setRounds(m_store.rounds(m_store.player()).value_or(QList<DiaryRound>()));
    m_table->resizeColumnsToContents();
    fillScoreChart();
    {
        const QSignalBlocker quiet(m_recording);
        m_recording->setChecked(m_store.isRecording());
    }
    showStatus();

    const QList<DiaryRound> &rounds = m_model->rounds();
    const auto chosen = std::find_if(rounds.cbegin(), rounds.cend(),
                                     [chosenId](const DiaryRound &r) { return r.id == chosenId; });
    const int row = chosen == rounds.cend() ? 0 : int(chosen - rounds.cbegin());
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

    if (!rounds.isEmpty()) {
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

void DiaryWindow::showRound(const QModelIndex &current)
{
    m_times->remove(0, m_times->count());
    for (const QString &label : m_targetAxis->categoriesLabels())
        m_targetAxis->remove(label);
    if (!current.isValid()) {
        m_throughput->clear();
        m_targetView->setAccessibleDescription(QStringLiteral("Раунд не выбран."));
        return;
    }
    const DiaryRound &round = m_model->round(current.row());
    QStringList numbers;
    QList<qreal> times;
    qint64 longest = 0;
    std::optional<qint64> fastest;
    for (const TargetRecord &target : m_store.targets(round.id)) {
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
    QString text = m_store.problem();
    if (text.isEmpty() && m_model->rowCount() == 0)
        text = QStringLiteral("В дневнике пока нет ни одного раунда. Сыграйте, и раунд появится "
                              "здесь.");
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

void DiaryWindow::exportCsv(bool targets)
{
    const QString suggested = QDir::home().filePath(
        targets ? QStringLiteral("дневник-квадратики.csv") : QStringLiteral("дневник.csv"));
    const QString fileName =
        m_dialogs.saveFileName(this, QStringLiteral("Сохранить дневник"), suggested);
    if (fileName.isEmpty())
        return;
    const std::optional<QList<DiaryRound>> rounds = m_store.rounds(m_store.player());
    QSaveFile file(fileName);
    // Written whole or not at all.
    if (!rounds || !file.open(QIODevice::WriteOnly) ||
        file.write(targets ? diarytexts::targetsCsv(*rounds, m_store) : diarytexts::csv(*rounds)) <
            0 ||
        !file.commit())
        m_dialogs.tell(this, title(),
                       QStringLiteral("Не удалось сохранить дневник в файл %1. Проверьте, что "
                                      "папка есть и в неё можно записывать.")
                           .arg(fileName));
}

void DiaryWindow::makeReport()
{
    offerReport(this, m_dialogs, m_store, m_store.children().value_or(QList<Child>()),
                QDateTime::currentDateTime());
}

void DiaryWindow::clearDiary()
{
    if (!m_dialogs.confirm(this, QStringLiteral("Очистить дневник"),
                           QStringLiteral("Стереть из дневника все раунды? Вернуть их будет "
                                          "нельзя.")))
        return;
    if (!m_store.clear(m_store.player()))
        m_dialogs.tell(this, title(),
                       QStringLiteral("Не удалось очистить дневник.\n") + m_store.problem());
    reload();
}
