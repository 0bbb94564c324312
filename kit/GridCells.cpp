#include "kit/GridCells.h"

#include <QAbstractItemView>
#include <QBrush>
#include <QItemSelectionModel>

namespace quorvin {

int gridRows(const QAbstractItemView *grid)
{
    return grid->model() ? grid->model()->rowCount() : 0;
}

QString cellText(const QAbstractItemView *grid, int row, int column)
{
    return grid->model() ? grid->model()->index(row, column).data().toString() : QString();
}

QColor cellBackground(const QAbstractItemView *grid, int row, int column)
{
    if (!grid->model())
        return {};
    const QVariant background = grid->model()->index(row, column).data(Qt::BackgroundRole);
    return background.canConvert<QBrush>() ? qvariant_cast<QBrush>(background).color() : QColor();
}

void setCurrentCell(QAbstractItemView *grid, int row, int column)
{
    const bool autoScroll = grid->hasAutoScroll();
    grid->setAutoScroll(false);
    grid->selectionModel()->setCurrentIndex(grid->model()->index(row, column), QItemSelectionModel::NoUpdate);
    grid->setAutoScroll(autoScroll);
}

} // namespace quorvin
