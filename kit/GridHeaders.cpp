#include "kit/GridHeaders.h"
#include "kit/GridCells.h"
#include "kit/GridModel.h"
#include "kit/Twips.h"

#include <QTableView>

namespace quorvin {

void SetGridHeaders(QTableView *grid, std::span<const GridColumn> columns, const Twips &twips)
{
    QStringList titles;
    for (const GridColumn &column : columns)
        titles << QString::fromLatin1(column.title);
    QFont bold = grid->font();
    bold.setBold(true);
    if (auto *model = qobject_cast<GridModel *>(grid->model()))
        model->setTitles(titles, bold);
    for (int col = 0; col < static_cast<int>(columns.size()); ++col)
        grid->setColumnWidth(col, twips.toPixels(columns[static_cast<std::size_t>(col)].widthTwips));
    if (!columns.empty())
        setCurrentCell(grid, 0, static_cast<int>(columns.size()) - 1);
}

} // namespace quorvin
