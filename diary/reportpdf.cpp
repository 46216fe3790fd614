// SPDX-License-Identifier: GPL-3.0-or-later
// The report's file: which charts a page has, where its parts go, and the PDF written whole.
#include "parentsreport.h"
#include "reportpage.h"
#include "rules.h"

#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace parentsreport {

namespace {

// Page geometry in millimetres, turned into the writer's units when drawn.
constexpr double pageWidth = 210, pageHeight = 297, margin = 16;

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

void drawPage(ReportPage &page, const QString &name, const QList<DiaryRound> &rounds,
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
    ReportPage page(painter, writer.resolution() / 25.4);
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
