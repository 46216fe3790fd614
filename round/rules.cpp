// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace rules {

namespace {
const QString crlf = QStringLiteral("\r\n");

QString blanks(int count) { return QString(count, QLatin1Char(' ')); }

// Notice texts are paragraphs with an empty line between them.
QString paragraphs(const QStringList &pieces) { return pieces.join(crlf + crlf); }

QString cheatingTitle(int leadingBlanks)
{
    return blanks(leadingBlanks) + QStringLiteral("Обнаружена попытка обмана");
}
} // namespace

std::int16_t increment(std::int16_t value)
{
    return value == std::numeric_limits<std::int16_t>::max() ? value : std::int16_t(value + 1);
}

std::int16_t decrement(std::int16_t value)
{
    return value == std::numeric_limits<std::int16_t>::min() ? value : std::int16_t(value - 1);
}

int intervalAfter(int n)
{
    return int(std::floor(double(roundLength - n) / double(roundLength) * 2000.0)) + 700;
}

Level level(int number)
{
    switch (number) {
    case 1:
        return {QStringLiteral("Начинающий"), 735};
    case 2:
        return {QStringLiteral("Бывалый"), 495};
    case 3:
        return {QStringLiteral("Опытный"), 255};
    case 4:
        return {QStringLiteral("Супермен"), 135};
    }
    return {QStringLiteral("Label1"), designSize};
}

QString gradeText(int hits)
{
    if (hits >= 28 && hits <= 30)
        return blanks(31) + QStringLiteral("П Я Т Ё Р К У");
    if (hits >= 22 && hits <= 27)
        return blanks(30) + QStringLiteral("Ч Е Т В Ё Р К У");
    if (hits >= 15 && hits <= 21)
        return blanks(32) + QStringLiteral("Т Р О Й К У");
    if (hits >= 1 && hits <= 14)
        return blanks(31) + QStringLiteral("Д В О Й К У");
    return blanks(25) + QStringLiteral("Звание \" ТУПИЦА \"");
}

QString resultText(int hits, const QString &grade)
{
    // A number is written with a blank where a minus sign would stand.
    const QString score =
        hits < 0 ? QString::number(hits) : QLatin1Char(' ') + QString::number(hits);
    return QStringLiteral(" Итак, из 30 возможных Вы попали по ") + score +
           QStringLiteral(" кнопкам") + crlf + crlf + blanks(14) +
           QStringLiteral("за такой результат Вы получаете") + crlf + crlf + grade;
}

QString resultTitle() { return blanks(10) + QStringLiteral("Пришло время собирать камни"); }

Notice notice(Penalty penalty)
{
    const QString skipTurn = QStringLiteral("Этот ход Вы пропускаете.");
    const QString pointTaken = blanks(31) + QStringLiteral("Я вычел из результата одно попадание.");
    switch (penalty) {
    case Penalty::Miss:
        return {
            .text = paragraphs(
                {QStringLiteral(" Щёлкайте по-точнее. Я даю возможность промахнуться три раза. "),
                 blanks(26) + QStringLiteral("Не уподобляйтесь пулемёту !!! "),
                 blanks(29) + skipTurn}),
            .title = cheatingTitle(21),
            .forfeitsTurn = true,
            .costsPoint = false};
    case Penalty::DoubleInSingleMode:
        return {.text = paragraphs(
                    {QStringLiteral(" Одного щелчка вполне достаточно, чтобы я Вас понял.  "),
                     QStringLiteral(" Вы ведь выбрали одинарный щелчок, а не двойной."),
                     QStringLiteral(" Поэтому данный ход я не защитываю правильным.")}),
                .title = cheatingTitle(18),
                .forfeitsTurn = false,
                .costsPoint = true};
    case Penalty::RightInDoubleMode:
        return {.text = paragraphs({QStringLiteral("Левой кнопкой надо делать двойной щелчёк."),
                                    blanks(13) + skipTurn}),
                .title = cheatingTitle(6),
                .forfeitsTurn = true,
                .costsPoint = false};
    case Penalty::RightWhileLeft:
        return {.text = paragraphs(
                    {QStringLiteral(
                         "Насколько я помню Вы выбрали тренировку левой кнопки, а не правой."),
                     pointTaken}),
                .title = cheatingTitle(22),
                .forfeitsTurn = true,
                .costsPoint = true};
    case Penalty::LeftWhileRight:
        return {.text = paragraphs(
                    {QStringLiteral(
                         "Насколько я помню Вы выбрали тренировку правой кнопки, а не левой."),
                     pointTaken}),
                .title = cheatingTitle(22),
                .forfeitsTurn = true,
                .costsPoint = true};
    }
    return {};
}

} // namespace rules
