// SPDX-License-Identifier: GPL-3.0-or-later
#include "classmodel.h"
#include "diarytexts.h"

#include <QColor>
#include <QFont>

#include <cmath>

namespace {

QString dash() { return QStringLiteral("—"); }

// Rounded as shown: a trend of less than a millisecond is no trend.
std::optional<qint64> shownChange(const ClassRow &row)
{
    if (!row.recentMedianMs || !row.earlierMedianMs)
        return std::nullopt;
    return std::llround(*row.recentMedianMs) - std::llround(*row.earlierMedianMs);
}

} // namespace

void ClassModel::setRows(QList<ClassRow> rows, const Child &player)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_player = player;
    endResetModel();
}

void ClassModel::setPlayer(const Child &player)
{
    m_player = player;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, Name), index(rowCount() - 1, Name));
}

QString ClassModel::trendText(const ClassRow &row)
{
    const std::optional<qint64> change = shownChange(row);
    if (!change)
        return dash();
    const QString arrow = *change < 0   ? QStringLiteral("↓")
                          : *change > 0 ? QStringLiteral("↑")
                                        : QStringLiteral("→");
    const QString word = *change < 0   ? QStringLiteral("быстрее")
                         : *change > 0 ? QStringLiteral("медленнее")
                                       : QStringLiteral("так же");
    return QStringLiteral("%1 %2 (было %3), %4")
        .arg(arrow, diarytexts::timeText(row.recentMedianMs),
             diarytexts::timeText(row.earlierMedianMs), word);
}

int ClassModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ClassModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Trend + 1;
}

QVariant ClassModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ClassRow &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(row, index.column());
    case sortRole:
        return sortValue(row, index.column());
    case Qt::TextAlignmentRole: {
        const bool number = index.column() == RoundsLastWeek || index.column() == LatestScore ||
                            index.column() == BestScore;
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::ForegroundRole:
        // Faster is better: green, like a good mark; slower is red.
        if (index.column() == Trend) {
            if (const std::optional<qint64> change = shownChange(row); change && *change != 0)
                return QColor(*change < 0 ? QColor(0x1b, 0x6e, 0x20) : QColor(0xb0, 0x1c, 0x1c));
        }
        return {};
    case Qt::FontRole:
        if (index.column() == Name && childnames::same(row.child, m_player)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole:
        // A long name is cut short in its column.
        if (index.column() == Name)
            return childnames::same(row.child, m_player)
                       ? row.child.name +
                             QStringLiteral(": следующие раунды записываются для этого ребёнка")
                       : row.child.name;
        return {};
    default:
        return {};
    }
}

QVariant ClassModel::text(const ClassRow &row, int column) const
{
    const bool played = row.lastPlayed.isValid();
    switch (Column(column)) {
    case Name:
        return m_showAccounts ? QStringLiteral("%1 (%2)").arg(row.child.name, row.child.account)
                              : row.child.name;
    case RoundsLastWeek:
        return QString::number(row.roundsLastWeek);
    case LastPlayed:
        return played ? row.lastPlayed.toString(QStringLiteral("dd.MM.yyyy HH:mm")) : dash();
    case LatestLevel:
        return played ? diarytexts::levelName(row.latestLevel) : dash();
    case LatestScore:
        if (!played)
            return dash();
        return row.latestEnded ? QString::number(row.latestScore)
                               : QStringLiteral("%1, досрочно").arg(row.latestScore);
    case BestScore:
        return row.bestScore ? QString::number(*row.bestScore) : dash();
    case Trend:
        return trendText(row);
    }
    return {};
}

// What a column sorts by; nothing (which sorts first) where the text is a dash.
QVariant ClassModel::sortValue(const ClassRow &row, int column) const
{
    const bool played = row.lastPlayed.isValid();
    switch (Column(column)) {
    case Name:
        return text(row, column);
    case RoundsLastWeek:
        return row.roundsLastWeek;
    case LastPlayed:
        return played ? QVariant(row.lastPlayed) : QVariant();
    case LatestLevel:
        return played ? QVariant(row.latestLevel) : QVariant();
    case LatestScore:
        return played ? QVariant(row.latestScore) : QVariant();
    case BestScore:
        return row.bestScore ? QVariant(*row.bestScore) : QVariant();
    case Trend:
        // By how much faster: the child who gained most comes first.
        if (const std::optional<qint64> change = shownChange(row))
            return *change;
        return {};
    }
    return {};
}

QVariant ClassModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::ToolTipRole && section == Trend)
        return QStringLiteral("Медиана времени до попадания в последних пяти раундах и в пяти "
                              "раундах до них. Меньше — лучше: ребёнок ловит квадратик быстрее. "
                              "Прочерк — пока раундов с попаданиями меньше десяти.");
    if (role == Qt::ToolTipRole && section == BestScore)
        return QStringLiteral("Лучшие очки среди раундов, доигранных до конца");
    if (role != Qt::DisplayRole)
        return {};
    switch (Column(section)) {
    case Name:
        return QStringLiteral("Ребёнок");
    case RoundsLastWeek:
        return QStringLiteral("Раундов\nза 7 дней");
    case LastPlayed:
        return QStringLiteral("Последний\nраунд");
    case LatestLevel:
        return QStringLiteral("Уровень\nпоследнего");
    case LatestScore:
        return QStringLiteral("Очки\nпоследнего");
    case BestScore:
        return QStringLiteral("Лучшие\nочки");
    case Trend:
        return QStringLiteral("Время до попадания\n(меньше — лучше)");
    }
    return {};
}
