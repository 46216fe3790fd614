// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarytexts.h"
#include "readnow.h"
#include "records.h"
#include "rules.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace diarytexts {

namespace {

const QString dash = QStringLiteral("—");

QString csvField(QString field)
{
    // A spreadsheet runs a cell that begins with one of these as a formula: the usual guard is a
    // leading apostrophe. A plain number stays a number: it cannot be a formula.
    static const QString formula = QStringLiteral("=+-@\t\r");
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (!field.isEmpty() && formula.contains(field.front()) && !number.match(field).hasMatch())
        field.prepend(u'\'');
    static const QString special = QStringLiteral(",\"\r\n");
    for (const QChar c : field) {
        if (special.contains(c))
            return u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"';
    }
    return field;
}

// Spreadsheets of any language read a point as the decimal mark in CSV.
QString csvNumber(std::optional<double> value, int decimals)
{
    return value ? QString::number(*value, 'f', decimals) : QString();
}

// Two cells, empty when the point is not known.
QStringList csvPoint(std::optional<QPointF> point)
{
    return {csvNumber(point ? std::optional(point->x()) : std::nullopt, 1),
            csvNumber(point ? std::optional(point->y()) : std::nullopt, 1)};
}

void addRow(QString &text, const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted.append(csvField(field));
    text += quoted.join(u',') + QStringLiteral("\r\n");
}

} // namespace

QString levelName(int level)
{
    if (level < 1 || level > 4)
        return QString::number(level);
    return rules::level(level).name;
}

QString buttonText(bool rightButton)
{
    return rightButton ? QStringLiteral("правая") : QStringLiteral("левая");
}

QString clickText(bool doubleClick)
{
    return doubleClick ? QStringLiteral("двойной") : QStringLiteral("одинарный");
}

QString endingText(RoundEnding ending)
{
    return ending == RoundEnding::Result ? QStringLiteral("доигран") : QStringLiteral("досрочно");
}

QString hitsText(int hits) { return QStringLiteral("%1 из %2").arg(hits).arg(rules::roundLength); }

QString pointsText(int score)
{
    const int n = std::abs(score);
    const char16_t *word = u"очков";
    if (n % 10 == 1 && n % 100 != 11)
        word = u"очко";
    else if (n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14))
        word = u"очка";
    return QString::number(score) + u' ' + QString::fromUtf16(word);
}

QString isoTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString timeText(std::optional<double> ms)
{
    return ms ? QStringLiteral("%1 мс").arg(std::llround(*ms)) : dash;
}

QString throughputText(std::optional<double> bitsPerSecond)
{
    if (!bitsPerSecond)
        return dash;
    return QLocale(QLocale::Russian).toString(*bitsPerSecond, 'f', 1) + QStringLiteral(" бит/с");
}

QByteArray csv(const QList<DiaryRound> &rounds)
{
    QString text;
    addRow(text,
           {QStringLiteral("Дата и время"), QStringLiteral("Уровень"), QStringLiteral("Кнопка"),
            QStringLiteral("Щелчок"), QStringLiteral("Попадания из 30"),
            QStringLiteral("Очки (попадания минус штрафы)"), QStringLiteral("Оценка"),
            QStringLiteral("Медиана времени до попадания, мс"), QStringLiteral("Промахи"),
            QStringLiteral("Замечания"), QStringLiteral("Доигран"),
            QStringLiteral("Скорость наведения, бит/с"), QStringLiteral("Время реакции, мс"),
            QStringLiteral("Раунд")});
    for (const DiaryRound &round : rounds) {
        const std::optional<double> median = round.figures.medianTimeToHitMs;
        addRow(text,
               {isoTime(round.started), levelName(round.level), buttonText(round.rightButton),
                clickText(round.doubleClick), QString::number(round.figures.hits),
                QString::number(round.score), round.grade,
                median ? QString::number(std::llround(*median)) : QString(),
                QString::number(round.figures.misses), QString::number(round.figures.penalties),
                round.ending == RoundEnding::Result ? QStringLiteral("да") : QStringLiteral("нет"),
                csvNumber(round.figures.throughput, 2), csvNumber(round.figures.reactionMs, 0),
                round.uuid.toString(QUuid::WithoutBraces)});
    }
    return text.toUtf8();
}

std::optional<QByteArray> targetsCsv(const QList<DiaryRound> &rounds, Records &records)
{
    QString text;
    addRow(text, {QStringLiteral("Раунд"), QStringLiteral("Дата и время раунда"),
                  QStringLiteral("Уровень"), QStringLiteral("Квадратик"),
                  QStringLiteral("Появился, мс от начала раунда"),
                  QStringLiteral("Время до попадания, мс"), QStringLiteral("Промахи"),
                  QStringLiteral("Замечания"), QStringLiteral("Расстояние до указателя, пикс."),
                  QStringLiteral("Размер, пикс."), QStringLiteral("Указатель в начале, x"),
                  QStringLiteral("Указатель в начале, y"), QStringLiteral("Центр, x"),
                  QStringLiteral("Центр, y"), QStringLiteral("Щелчок от центра, x"),
                  QStringLiteral("Щелчок от центра, y"),
                  QStringLiteral("Указатель сдвинулся, мс от появления")});
    // Oldest first, targets in the order shown: the order they happened.
    for (auto round = rounds.crbegin(); round != rounds.crend(); ++round) {
        const QString uuid = round->uuid.toString(QUuid::WithoutBraces);
        const QString started = isoTime(round->started);
        const std::optional<QList<TargetRecord>> targets = readNow<QList<TargetRecord>>(
            [&](QObject *context, Records::Answer<QList<TargetRecord>> answer) {
                records.readTargets(round->uuid, context, answer);
            });
        if (!targets)
            return std::nullopt;
        for (const TargetRecord &target : *targets) {
            const std::optional<qint64> time = figures::timeToHit(target);
            addRow(
                text,
                QStringList{
                    uuid, started, levelName(round->level), QString::number(target.number),
                    QString::number(target.shownAtMs), time ? QString::number(*time) : QString(),
                    QString::number(target.misses), QString::number(target.penalties.size()),
                    csvNumber(target.distance >= 0 ? std::optional(target.distance) : std::nullopt,
                              1),
                    csvNumber(target.width > 0 ? std::optional(target.width) : std::nullopt, 1)} +
                    csvPoint(target.start) + csvPoint(target.centre) + csvPoint(target.click) +
                    QStringList{target.movedAfterMs >= 0 ? QString::number(target.movedAfterMs)
                                                         : QString()});
        }
    }
    return text.toUtf8();
}

QString title() { return QStringLiteral("Дневник"); }

QString schoolKeeps(Records &records)
{
    // Clearing never takes from the school what it has not got yet; the question says so.
    if (!records.waitingForSchool())
        return {};
    return QStringLiteral(" Раунды, которые ещё не дошли до школьного сервера, пропадут из "
                          "дневника, но всё равно уйдут на сервер.");
}

} // namespace diarytexts
