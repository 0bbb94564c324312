#include "kit/GridModel.h"
#include "kit/VbColor.h"

#include <QBrush>

#include <algorithm>

namespace quorvin {

GridModel::GridModel(int columns, QObject *parent) : QAbstractTableModel(parent), m_columns(columns) {}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1 + bodyRows();
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row(), column = index.column();
    if (row == 0) {
        if (!m_titled)
            return role == Qt::DisplayRole || role == Qt::EditRole ? QVariant(QString()) : QVariant();
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return column < m_titles.size() ? m_titles[column] : QString();
        case Qt::FontRole:
            return m_titleFont;
        case Qt::BackgroundRole:
            return QBrush(colorFromValue(TitleBackground));
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return bodyText(row - 1, column);
    case Qt::BackgroundRole:
        return bodyBackground(row - 1, column);
    default:
        return {};
    }
}

void GridModel::setTitles(const QStringList &titles, const QFont &bold)
{
    if (m_titled && titles == m_titles && bold == m_titleFont)
        return;
    m_titles = titles;
    m_titleFont = bold;
    m_titled = true;
    Q_EMIT dataChanged(index(0, 0), index(0, m_columns - 1));
}

void GridModel::replaceBody(int oldRows, int newRows, const std::function<bool(int, int)> &changed,
                            const std::function<void()> &swap)
{
    struct Run {
        int column, first, last;
    };
    std::vector<Run> runs;
    const int common = std::min(oldRows, newRows);
    for (int column = 0; column < m_columns; ++column) {
        for (int row = 0; row < common; ++row) {
            if (!changed(row, column))
                continue;
            if (!runs.empty() && runs.back().column == column && runs.back().last == row)
                runs.back().last = row + 1;
            else
                runs.push_back({column, row, row + 1});
        }
    }
    if (newRows > oldRows) {
        beginInsertRows({}, 1 + oldRows, newRows);
        swap();
        endInsertRows();
    } else if (newRows < oldRows) {
        beginRemoveRows({}, 1 + newRows, oldRows);
        swap();
        endRemoveRows();
    } else {
        swap();
    }
    for (const Run &run : runs)
        Q_EMIT dataChanged(index(1 + run.first, run.column), index(run.last, run.column),
                           {Qt::DisplayRole, Qt::EditRole, Qt::BackgroundRole});
}

} // namespace quorvin
