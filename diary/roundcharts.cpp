// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundcharts.h"
#include "diarytexts.h"
#include "records.h"
#include "rules.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMap>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

namespace {

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

RoundCharts::RoundCharts(Records &records, QWidget *parent) : QWidget(parent), m_store(records)
{
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

    // The page's margins are the charts'.
    auto *charts = new QHBoxLayout(this);
    charts->setContentsMargins(0, 0, 0, 0);
    m_scoreView = chartView(m_scoreChart, "scoreChart", QStringLiteral("Очки по раундам"), this);
    charts->addWidget(m_scoreView, 3);
    auto *roundSide = new QVBoxLayout;
    m_targetView = chartView(targetChart, "targetChart",
                             QStringLiteral("Время до попадания по квадратикам"), this);
    roundSide->addWidget(m_targetView, 1);
    roundSide->addWidget(m_throughput);
    charts->addLayout(roundSide, 2);
}

void RoundCharts::showRounds(const QList<DiaryRound> &rounds)
{
    // One line per level, oldest round first. A round ended early would pull a line down with a
    // score it never played for: it is a hollow grey point of its own.
    QMap<int, QList<QPointF>> byLevel;
    QList<QPointF> early;
    int lowest = 0;
    const DiaryRound *last = nullptr;
    const DiaryRound *best = nullptr;
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

void RoundCharts::clearTargets()
{
    m_times->remove(0, m_times->count());
    for (const QString &label : m_targetAxis->categoriesLabels())
        m_targetAxis->remove(label);
}

void RoundCharts::showRound(const DiaryRound *chosen)
{
    // Nothing of the round chosen before stays while the chosen one's targets are on their way.
    clearTargets();
    m_round = chosen ? chosen->uuid : QUuid();
    if (!chosen) {
        m_throughput->clear();
        m_targetView->setAccessibleDescription(QStringLiteral("Раунд не выбран."));
        return;
    }
    m_store.readTargets(chosen->uuid, this,
                        [this, round = *chosen](std::optional<QList<TargetRecord>> targets) {
                            // Answers may come late, and out of turn.
                            if (round.uuid == m_round)
                                showTargets(round, targets.value_or(QList<TargetRecord>()));
                        });
}

void RoundCharts::showTargets(const DiaryRound &round, const QList<TargetRecord> &targets)
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
