#include "kit/GridCells.h"

#include <QItemSelectionModel>
#include <QTableWidget>

namespace quorvin {

namespace {

// A cell that holds its text itself. The stock item keeps every role in a list of variants, an allocation
// more per cell: 40,000 cells of a grid of 8,000 processes kept about 4 MiB more that way.
class TextCell final : public QTableWidgetItem {
public:
    static constexpr int Type = UserType; // no other item of these grids is of a user type

    TextCell() : QTableWidgetItem(Type) {}

    QVariant data(int role) const override
    {
        return isText(role) ? QVariant(m_text) : QTableWidgetItem::data(role);
    }

    void setData(int role, const QVariant &value) override
    {
        if (!isText(role)) {
            QTableWidgetItem::setData(role, value);
            return;
        }
        writeText(value.toString());
    }

    // Without the variant: a refresh writes tens of thousands of cells, most of them unchanged.
    void writeText(const QString &text)
    {
        if (text == m_text)
            return;
        m_text = text;
        // What the stock item tells its grid on a change: the view repaints the cell.
        if (QTableWidget *grid = tableWidget()) {
            const QModelIndex index = grid->model()->index(grid->row(this), grid->column(this));
            Q_EMIT grid->model()->dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        }
    }

    QTableWidgetItem *clone() const override { return new TextCell(*this); }

private:
    static bool isText(int role) noexcept { return role == Qt::DisplayRole || role == Qt::EditRole; }

    QString m_text;
};

QTableWidgetItem *itemAt(QTableWidget *grid, int row, int column)
{
    QTableWidgetItem *item = grid->item(row, column);
    if (!item) {
        item = new TextCell;
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
    // The cell leaves an unchanged text as it is.
    QTableWidgetItem *item = itemAt(grid, row, column);
    if (item->type() == TextCell::Type)
        static_cast<TextCell *>(item)->writeText(text);
    else
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
