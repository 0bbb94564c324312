#include "kit/GridCells.h"

#include <QItemSelectionModel>
#include <QTableWidget>

namespace quorvin {

namespace {
QTableWidgetItem *itemAt(QTableWidget *grid, int row, int column)
{
    QTableWidgetItem *item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    return item;
}
} // namespace

void setGridRows(QTableWidget *grid, int rows)
{
    if (grid->rowCount() != rows)
        grid->setRowCount(rows < 0 ? 0 : rows);
}

void setCellText(QTableWidget *grid, int row, int column, const QString &text)
{
    QTableWidgetItem *item = itemAt(grid, row, column);
    if (item->text() != text)
        item->setText(text);
}

QString cellText(const QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

void setCellBold(QTableWidget *grid, int row, int column, bool bold)
{
    QTableWidgetItem *item = itemAt(grid, row, column);
    QFont font = grid->font();
    font.setBold(bold);
    item->setFont(font);
}

void setCellBackground(QTableWidget *grid, int row, int column, const QColor &color)
{
    QTableWidgetItem *item = itemAt(grid, row, column);
    if (item->background().color() != color || item->background().style() != Qt::SolidPattern)
        item->setBackground(color);
}

QColor cellBackground(const QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->background().color() : QColor();
}

void setCurrentCell(QTableWidget *grid, int row, int column)
{
    const bool autoScroll = grid->hasAutoScroll();
    grid->setAutoScroll(false);
    grid->selectionModel()->setCurrentIndex(grid->model()->index(row, column), QItemSelectionModel::NoUpdate);
    grid->setAutoScroll(autoScroll);
}

} // namespace quorvin
