// SPDX-License-Identifier: GPL-3.0-or-later
// The report's sentences; reportpage.cpp and reportpdf.cpp draw them.
#include "parentsreport.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace parentsreport {

namespace {

const char16_t *const monthsOf[] = {u"января",   u"февраля", u"марта",  u"апреля",
                                    u"мая",      u"июня",    u"июля",   u"августа",
                                    u"сентября", u"октября", u"ноября", u"декабря"};

QString monthOf(const QDate &date) { return QString::fromUtf16(monthsOf[date.month() - 1]); }

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

} // namespace

QString dayText(const QDate &date)
{
    return QStringLiteral("%1 %2 %3 г.").arg(date.day()).arg(monthOf(date)).arg(date.year());
}

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

} // namespace parentsreport
