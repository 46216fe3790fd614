// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundsmodel.h"
#include "diarytexts.h"

void RoundsModel::setRounds(QList<DiaryRound> rounds)
{
    beginResetModel();
    m_rounds = std::move(rounds);
    endResetModel();
}

int RoundsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rounds.size());
}

int RoundsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Ending + 1;
}

QVariant RoundsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rounds.size())
        return {};
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == Hits || index.column() == Score ||
                            index.column() == Time || index.column() == Misses ||
                            index.column() == Penalties;
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role != Qt::DisplayRole)
        return {};
    const DiaryRound &round = m_rounds.at(index.row());
    switch (Column(index.column())) {
    case Started:
        return round.started.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    case Level:
        return diarytexts::levelName(round.level);
    case Button:
        return diarytexts::buttonText(round.rightButton);
    case Click:
        return diarytexts::clickText(round.doubleClick);
    case Hits:
        return diarytexts::hitsText(round.figures.hits);
    case Score:
        return round.score;
    case Grade:
        return round.grade;
    case Time:
        return diarytexts::timeText(round.figures.medianTimeToHitMs);
    case Misses:
        return round.figures.misses;
    case Penalties:
        return round.figures.penalties;
    case Ending:
        return diarytexts::endingText(round.ending);
    }
    return {};
}

QVariant RoundsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::ToolTipRole && section == Time)
        return QStringLiteral("Середина среди времён до попадания: половина квадратиков поймана "
                              "быстрее, половина — дольше");
    if (role == Qt::ToolTipRole && section == Score)
        return QStringLiteral("Очки — попадания минус штрафы за замечания, бывают и меньше нуля");
    if (role != Qt::DisplayRole)
        return {};
    switch (Column(section)) {
    case Started:
        return QStringLiteral("Когда");
    case Level:
        return QStringLiteral("Уровень");
    case Button:
        return QStringLiteral("Кнопка");
    case Click:
        return QStringLiteral("Щелчок");
    case Hits:
        return QStringLiteral("Попадания");
    case Score:
        return QStringLiteral("Очки");
    case Grade:
        return QStringLiteral("Оценка");
    case Time:
        return QStringLiteral("Время до попадания");
    case Misses:
        return QStringLiteral("Промахи");
    case Penalties:
        return QStringLiteral("Замечания");
    case Ending:
        return QStringLiteral("Раунд");
    }
    return {};
}
