// SPDX-License-Identifier: GPL-3.0-or-later
#include "parentsreport.h"
#include "rules.h"

#include <QFont>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

namespace parentsreport {

namespace {

const char16_t *const monthsOf[] = {u"января",   u"февраля", u"марта",  u"апреля",
                                    u"мая",      u"июня",    u"июля",   u"августа",
                                    u"сентября", u"октября", u"ноября", u"декабря"};

QString monthOf(const QDate &date) { return QString::fromUtf16(monthsOf[date.month() - 1]); }

// "7 декабря 2026 г."
QString dayText(const QDate &date)
{
    return QStringLiteral("%1 %2 %3 г.").arg(date.day()).arg(monthOf(date)).arg(date.year());
}

// "1 раунд", "3 раунда", "12 раундов"
QString roundsText(int count)
{
    const int n = std::abs(count);
    const char16_t *word = u"раундов";
    if (n % 10 == 1 && n % 100 != 11)
        word = u"раунд";
    else if (n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14))
        word = u"раунда";
    return QString::number(count) + u' ' + QString::fromUtf16(word);
}

QString msText(double ms) { return QStringLiteral("%1 мс").arg(std::llround(ms)); }

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double mean(const QList<double> &values)
{
    double sum = 0;
    for (const double value : values)
        sum += value;
    return sum / double(values.size());
}

// The earlier and the later half of the values in the order played; the middle one of an odd
// number belongs to neither.
std::pair<QList<double>, QList<double>> halves(const QList<double> &values)
{
    const qsizetype half = values.size() / 2;
    return {values.first(half), values.last(half)};
}

QString countSentence(const QList<DiaryRound> &rounds, const Period &period)
{
    // The second half gets the middle day of an odd number of days.
    const QDate middle = period.from.addDays((period.from.daysTo(period.to) + 1) / 2);
    const auto first = int(std::count_if(rounds.cbegin(), rounds.cend(), [&](const DiaryRound &r) {
        return r.started.date() < middle;
    }));
    const int second = int(rounds.size()) - first;
    if (second == 0)
        return QStringLiteral("Во второй половине периода ребёнок не играл: все %1 — в первой.")
            .arg(roundsText(first));
    if (first == 0)
        return QStringLiteral("В первой половине периода ребёнок не играл: все %1 — во второй.")
            .arg(roundsText(second));
    if (second - first >= 2 && second * 2 >= first * 3)
        return QStringLiteral("Во второй половине периода ребёнок играл чаще: %1 против %2 в "
                              "первой.")
            .arg(roundsText(second))
            .arg(first);
    if (first - second >= 2 && first * 2 >= second * 3)
        return QStringLiteral("Во второй половине периода ребёнок играл реже: %1 против %2 в "
                              "первой.")
            .arg(roundsText(second))
            .arg(first);
    return QStringLiteral("Играл ребёнок равномерно: %1 в первой половине периода и %2 во второй.")
        .arg(roundsText(first))
        .arg(second);
}

std::optional<QString> timeSentence(const QList<DiaryRound> &rounds)
{
    QList<double> medians;
    for (const DiaryRound &round : rounds) {
        if (round.figures.medianTimeToHitMs)
            medians.append(*round.figures.medianTimeToHitMs);
    }
    if (medians.size() < fewestRoundsToCompare)
        return std::nullopt;
    const auto [earlier, later] = halves(medians);
    const double before = median(earlier), after = median(later);
    // A tenth either way is what one tired afternoon makes.
    if (after <= before * 0.9)
        return QStringLiteral("Квадратик ребёнок стал ловить быстрее: в первых раундах периода "
                              "обычно за %1, в последних — за %2.")
            .arg(msText(before), msText(after));
    if (after >= before * 1.1)
        return QStringLiteral("Квадратик ребёнок стал ловить медленнее: в первых раундах "
                              "периода обычно за %1, в последних — за %2; так бывает, когда "
                              "ребёнок устал или взял уровень потруднее.")
            .arg(msText(before), msText(after));
    return QStringLiteral("Квадратик ребёнок ловит так же быстро, как в начале периода: обычно "
                          "за %1.")
        .arg(msText(after));
}

std::optional<QString> scoreSentence(const QList<DiaryRound> &rounds)
{
    // A round ended early never had its chance at the full score.
    QList<double> scores;
    for (const DiaryRound &round : rounds) {
        if (round.ending == RoundEnding::Result)
            scores.append(round.score);
    }
    if (scores.size() < fewestRoundsToCompare)
        return std::nullopt;
    const auto [earlier, later] = halves(scores);
    const double before = mean(earlier), after = mean(later);
    if (after - before >= 2)
        return QStringLiteral("Очков за раунд стало больше: в среднем %1 в первых доигранных "
                              "раундах и %2 в последних.")
            .arg(std::lround(before))
            .arg(std::lround(after));
    if (before - after >= 2)
        return QStringLiteral("Очков за раунд стало меньше: в среднем %1 в первых доигранных "
                              "раундах и %2 в последних; успехи не всегда идут ровно, это "
                              "нормально.")
            .arg(std::lround(before))
            .arg(std::lround(after));
    return QStringLiteral("Очков за раунд примерно столько же, сколько в начале периода: в "
                          "среднем %1.")
        .arg(std::lround(after));
}

// Page geometry in millimetres, turned into the writer's units when drawn.
constexpr double pageWidth = 210, pageHeight = 297, margin = 16;

const QColor ink(0x20, 0x20, 0x20);
const QColor quiet(0x6a, 0x6a, 0x6a);
const QColor rule(0xc8, 0xc8, 0xc8);
const QColor lineColour(0x1d, 0x6f, 0x2f); // the game's green, darker for paper

struct Point
{
    double day; // days since the period's first midnight, by the child's clock
    double value;
    bool finished;
};

struct Chart
{
    QString title;
    QString emptyText;
    QList<Point> points;
    double low = 0, high = 0, step = 0;
    std::function<QString(double)> label;
};

// 1, 2 or 5 times a power of ten, so that about five steps cover the range.
double niceStep(double range)
{
    const double rough = range / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10 * power;
}

// From nought to the step above the highest value.
void fitFromZero(Chart &chart, double fallbackHigh)
{
    double highest = 0;
    for (const Point &p : chart.points)
        highest = std::max(highest, p.value);
    if (highest <= 0)
        highest = fallbackHigh;
    chart.step = niceStep(highest);
    chart.low = 0;
    chart.high = std::ceil(highest / chart.step) * chart.step;
}

class Page
{
public:
    Page(QPainter &painter, double dotsPerMm) : m_painter(painter), m_dots(dotsPerMm) {}

    double mm(double length) const { return length * m_dots; }
    QRectF mm(double x, double y, double w, double h) const
    {
        return QRectF(mm(x), mm(y), mm(w), mm(h));
    }

    QFont font(double points, bool bold = false) const
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    // Height in millimetres of the text wrapped to the width.
    double height(const QString &text, const QFont &font, double width) const
    {
        m_painter.setFont(font);
        // A painter with no pen measures no text.
        m_painter.setPen(ink);
        return m_painter.boundingRect(mm(0, 0, width, 1000), Qt::TextWordWrap | Qt::AlignLeft, text)
                   .height() /
               m_dots;
    }

    // Draws the text wrapped from the top of the area and gives its height in millimetres.
    double text(const QString &text, const QFont &font, const QColor &colour, double x, double y,
                double width)
    {
        const double h = height(text, font, width);
        m_painter.setFont(font);
        m_painter.setPen(colour);
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::WordWrap);
        // A name in a right-to-left script keeps its own order of words; it stays at the left
        // edge like everything else on the page.
        option.setTextDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        if (text.isRightToLeft())
            option.setAlignment(option.alignment() | Qt::AlignAbsolute);
        m_painter.drawText(mm(x, y, width, h + 1), text, option);
        return h;
    }

    void chart(const Chart &chart, const Period &period, double x, double y, double width,
               double height);

private:
    QPainter &m_painter;
    double m_dots;
};

void Page::chart(const Chart &chart, const Period &period, double x, double y, double width,
                 double height)
{
    const QFont small = font(7);
    const double titleHeight = text(chart.title, font(9.5, true), ink, x, y, width);
    // Room at the left for the value labels, below for the dates.
    const double left = x + 14, top = y + titleHeight + 3, right = x + width - 2;
    const double bottom = y + height - 6;
    const double days = double(period.from.daysTo(period.to) + 1);
    auto px = [&](double day) { return mm(left + (right - left) * day / days); };
    auto py = [&](double value) {
        return mm(bottom - (bottom - top) * (value - chart.low) / (chart.high - chart.low));
    };

    m_painter.setFont(small);
    m_painter.setBrush(Qt::NoBrush);
    // Day marks along the bottom, no more than seven of them, the first and last day among them.
    const int dayCount = int(days);
    const int every = std::max(1, (dayCount + 5) / 6);
    m_painter.setPen(QPen(quiet, mm(0.2)));
    m_painter.drawLine(QPointF(mm(left), mm(bottom)), QPointF(mm(left), mm(top)));
    m_painter.drawLine(QPointF(mm(left), mm(bottom)), QPointF(mm(right), mm(bottom)));
    // The last day always; a regular mark too close before it gives way.
    QList<int> marked;
    for (int day = 0; day < dayCount - 1 - every / 2; day += every)
        marked.append(day);
    marked.append(dayCount - 1);
    for (const int day : marked) {
        const double centre = px(day + 0.5);
        m_painter.drawLine(QPointF(centre, mm(bottom)), QPointF(centre, mm(bottom + 1)));
        m_painter.drawText(QRectF(centre - mm(8), mm(bottom + 1.2), mm(16), mm(4)),
                           Qt::AlignHCenter | Qt::AlignTop,
                           period.from.addDays(day).toString(QStringLiteral("dd.MM")));
    }

    // An empty chart has no scale: only the sentence why.
    if (chart.points.isEmpty()) {
        m_painter.setFont(font(8.5));
        m_painter.setPen(quiet);
        m_painter.drawText(QRectF(mm(left), mm(top), mm(right - left), mm(bottom - top)),
                           Qt::AlignCenter | Qt::TextWordWrap, chart.emptyText);
        return;
    }
    m_painter.setFont(small);

    // The value lines, with their labels at the left.
    for (double value = chart.low; value <= chart.high + chart.step / 1000; value += chart.step) {
        m_painter.setPen(QPen(value == 0 ? quiet : rule, mm(value == 0 ? 0.25 : 0.15)));
        m_painter.drawLine(QPointF(mm(left), py(value)), QPointF(mm(right), py(value)));
        m_painter.setPen(quiet);
        m_painter.drawText(QRectF(mm(x), py(value) - mm(2), mm(left - x - 1.5), mm(4)),
                           Qt::AlignRight | Qt::AlignVCenter, chart.label(value));
    }

    // Rounds played to the end joined by a line; rounds ended early as hollow rings beside it.
    QPolygonF line;
    for (const Point &p : chart.points) {
        if (p.finished)
            line.append(QPointF(px(p.day), py(p.value)));
    }
    m_painter.setPen(QPen(lineColour, mm(0.35), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.drawPolyline(line);
    const double radius = mm(chart.points.size() > 60 ? 0.55 : 0.9);
    for (const Point &p : chart.points) {
        const QPointF centre(px(p.day), py(p.value));
        if (p.finished) {
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(lineColour);
        } else {
            m_painter.setPen(QPen(quiet, mm(0.25)));
            m_painter.setBrush(Qt::white);
        }
        m_painter.drawEllipse(centre, radius, radius);
    }
    m_painter.setBrush(Qt::NoBrush);
}

QString whole(double value) { return QString::number(std::llround(value)); }

QList<Chart> chartsOf(const QList<DiaryRound> &rounds, const Period &period)
{
    Chart score{QStringLiteral("Очки в каждом раунде (из %1)").arg(rules::roundLength),
                QStringLiteral("В этот период раундов не было."),
                {},
                0,
                double(rules::roundLength),
                10,
                whole};
    Chart time{QStringLiteral("Сколько времени уходило на один квадратик (медиана), мс; чем "
                              "ниже, тем быстрее"),
               QStringLiteral("Нет раундов с попаданиями."),
               {},
               0,
               0,
               0,
               whole};
    Chart aiming{QStringLiteral("Скорость наведения, бит/с; чем выше, тем лучше"),
                 QStringLiteral("Скорость наведения не посчитана ни в одном раунде: для неё "
                                "нужно хотя бы пять попаданий."),
                 {},
                 0,
                 0,
                 0,
                 [](double value) { return QLocale(QLocale::Russian).toString(value, 'g', 3); }};
    double lowest = 0;
    for (const DiaryRound &round : rounds) {
        const double day = double(period.from.daysTo(round.started.date())) +
                           round.started.time().msecsSinceStartOfDay() / 86'400'000.0;
        const bool finished = round.ending == RoundEnding::Result;
        score.points.append({day, double(round.score), finished});
        lowest = std::min(lowest, double(round.score));
        if (round.figures.medianTimeToHitMs)
            time.points.append({day, *round.figures.medianTimeToHitMs, finished});
        if (round.figures.throughput)
            aiming.points.append({day, *round.figures.throughput, finished});
    }
    // A score can go below nought: down to the ten below the lowest.
    score.low = -10 * std::ceil(-lowest / 10);
    fitFromZero(time, 1000);
    fitFromZero(aiming, 5);
    return {score, time, aiming};
}

void drawPage(Page &page, const QString &name, const QList<DiaryRound> &rounds,
              const Period &period, const QDateTime &now, int number, int pages)
{
    const double width = pageWidth - 2 * margin;
    double y = margin;
    y += page.text(QStringLiteral("Квадрилка · отчёт для родителей"), page.font(8.5), quiet, margin,
                   y, width);
    y += 2;
    // A long name gets smaller rather than pushing the charts off the page.
    QFont nameFont = page.font(20, true);
    while (nameFont.pointSizeF() > 11 && page.height(name, nameFont, width) > 18)
        nameFont.setPointSizeF(nameFont.pointSizeF() - 1);
    y += page.text(name, nameFont, ink, margin, y, width);
    y += 2;
    y += page.text(QStringLiteral("Период: ") + periodText(period), page.font(11), ink, margin, y,
                   width);
    const auto finished =
        int(std::count_if(rounds.cbegin(), rounds.cend(),
                          [](const DiaryRound &r) { return r.ending == RoundEnding::Result; }));
    y += page.text(QStringLiteral("Сыграно раундов: %1 (до конца: %2, досрочно: %3)")
                       .arg(rounds.size())
                       .arg(finished)
                       .arg(rounds.size() - finished),
                   page.font(11), ink, margin, y, width);
    y += 5;
    y += page.text(QStringLiteral("Что изменилось"), page.font(11, true), ink, margin, y, width);
    y += 1;
    y += page.text(changes(rounds, period).join(u' '), page.font(10), ink, margin, y, width);
    y += 6;

    const QString caption =
        QStringLiteral("Закрашенные точки на линии — раунды, сыгранные до конца. Пустые кружки — "
                       "раунды, законченные досрочно: они показаны отдельно и в линию не входят.");
    const QString footer = QStringLiteral("Составлено %1 в %2 · страница %3 из %4")
                               .arg(dayText(now.date()), now.toString(QStringLiteral("HH:mm")))
                               .arg(number)
                               .arg(pages);
    const QFont captionFont = page.font(8);
    const double footerTop = pageHeight - margin + 4;
    const double captionHeight = page.height(caption, captionFont, width);
    const double chartsBottom = footerTop - captionHeight - 6;
    const double chartHeight = (chartsBottom - y) / 3;
    for (const Chart &chart : chartsOf(rounds, period)) {
        page.chart(chart, period, margin, y, width, chartHeight - 3);
        y += chartHeight;
    }
    page.text(caption, captionFont, quiet, margin, chartsBottom + 2, width);
    page.text(footer, page.font(7.5), quiet, margin, footerTop, width);
}

} // namespace

Period lastDays(const QDate &today) { return {today.addDays(1 - defaultDays), today}; }

QString periodText(const Period &period)
{
    const QDate &from = period.from, &to = period.to;
    if (from == to)
        return dayText(to);
    if (from.year() != to.year())
        return QStringLiteral("с %1 по %2").arg(dayText(from), dayText(to));
    if (from.month() != to.month())
        return QStringLiteral("с %1 %2 по %3")
            .arg(QString::number(from.day()), monthOf(from), dayText(to));
    return QStringLiteral("с %1 по %2").arg(QString::number(from.day()), dayText(to));
}

QString suggestedFileName(const QDate &today)
{
    return QStringLiteral("Отчёт %1.pdf").arg(today.toString(Qt::ISODate));
}

QList<DiaryRound> inPeriod(const QList<DiaryRound> &rounds, const Period &period)
{
    QList<DiaryRound> kept;
    for (const DiaryRound &round : rounds) {
        const QDate day = round.started.date();
        if (day >= period.from && day <= period.to)
            kept.append(round);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const DiaryRound &a, const DiaryRound &b) {
        return a.started < b.started;
    });
    return kept;
}

QStringList changes(const QList<DiaryRound> &rounds, const Period &period)
{
    if (rounds.isEmpty())
        return {QStringLiteral("За этот период не сыграно ни одного раунда.")};
    if (rounds.size() < fewestRoundsToCompare)
        return {QStringLiteral("За этот период сыграно слишком мало раундов, чтобы судить об "
                               "успехах."),
                QStringLiteral("Когда раундов станет больше, здесь будет видно, что изменилось.")};
    QStringList sentences{countSentence(rounds, period)};
    const std::optional<QString> time = timeSentence(rounds);
    const std::optional<QString> score = scoreSentence(rounds);
    if (time)
        sentences.append(*time);
    if (score)
        sentences.append(*score);
    if (!time && !score)
        sentences.append(QStringLiteral("По этим раундам пока нельзя сказать, стал ли ребёнок "
                                        "ловить квадратик быстрее."));
    return sentences;
}

bool withAccounts(const QList<Child> &children)
{
    return std::any_of(children.cbegin(), children.cend(),
                       [&](const Child &c) { return c.account != children.first().account; });
}

QString shownName(const Child &child, bool withAccount)
{
    return withAccount ? QStringLiteral("%1 (%2)").arg(child.name, child.account) : child.name;
}

QString write(const QString &fileName, const QList<ChildRounds> &children, const Period &period,
              const QDateTime &now, bool withAccounts)
{
    if (children.isEmpty())
        return QStringLiteral("Не выбран ни один ребёнок: отчёт не составлен.");
    if (!period.from.isValid() || !period.to.isValid() || period.from > period.to)
        return QStringLiteral("Начало периода позже его конца: отчёт не составлен.");
    const QString failed = QStringLiteral("Не удалось сохранить отчёт в файл %1. Проверьте, что "
                                          "папка есть и в неё можно записывать.")
                               .arg(fileName);
    // Written whole or not at all: a half-written report would not open.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failed;
    QPdfWriter writer(&file);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setResolution(600);
    writer.setTitle(QStringLiteral("Квадрилка: отчёт для родителей, ") + periodText(period));
    writer.setCreator(QStringLiteral("Квадрилка"));
    QPainter painter;
    if (!painter.begin(&writer))
        return failed;
    painter.setRenderHint(QPainter::Antialiasing);
    Page page(painter, writer.resolution() / 25.4);
    for (qsizetype i = 0; i < children.size(); ++i) {
        if (i > 0 && !writer.newPage())
            return failed;
        drawPage(page, shownName(children[i].child, withAccounts),
                 inPeriod(children[i].rounds, period), period, now, int(i) + 1,
                 int(children.size()));
    }
    if (!painter.end() || !file.commit())
        return failed;
    return {};
}

} // namespace parentsreport
