// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarytexts.h"
#include "rules.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace diarytexts {

namespace {

const QString dash = QStringLiteral("—");

QString csvField(const QString &field)
{
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

QString scoreText(int score)
{
    return QStringLiteral("%1 из %2").arg(score).arg(rules::roundLength);
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
    const QStringList header{QStringLiteral("Дата и время"),
                             QStringLiteral("Уровень"),
                             QStringLiteral("Кнопка"),
                             QStringLiteral("Щелчок"),
                             QStringLiteral("Попадания из 30"),
                             QStringLiteral("Оценка"),
                             QStringLiteral("Медиана времени до попадания, мс"),
                             QStringLiteral("Промахи"),
                             QStringLiteral("Замечания"),
                             QStringLiteral("Доигран"),
                             QStringLiteral("Скорость наведения, бит/с")};
    QString text;
    auto addRow = [&text](const QStringList &fields) {
        QStringList quoted;
        for (const QString &field : fields)
            quoted.append(csvField(field));
        text += quoted.join(u',') + QStringLiteral("\r\n");
    };
    addRow(header);
    for (const DiaryRound &round : rounds) {
        const std::optional<double> median = round.figures.medianTimeToHitMs;
        addRow({round.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                levelName(round.level), buttonText(round.rightButton), clickText(round.doubleClick),
                QString::number(round.score), round.grade,
                median ? QString::number(std::llround(*median)) : QString(),
                QString::number(round.figures.misses), QString::number(round.figures.penalties),
                round.ending == RoundEnding::Result ? QStringLiteral("да") : QStringLiteral("нет"),
                csvNumber(round.figures.throughput, 2)});
    }
    return text.toUtf8();
}

} // namespace diarytexts
