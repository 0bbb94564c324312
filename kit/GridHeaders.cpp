#include "kit/GridHeaders.h"
#include "kit/GridCells.h"
#include "kit/Twips.h"
#include "kit/VbColor.h"

#include <QTableWidget>

namespace quorvin {

void SetGridHeaders(QTableWidget *grid, std::span<const GridColumn> columns, const Twips &twips)
{
    const QColor background = colorFromValue(TitleBackground);
    for (int col = 0; col < static_cast<int>(columns.size()); ++col) {
        const GridColumn &column = columns[static_cast<std::size_t>(col)];
        setCurrentCell(grid, 0, col);
        setCellText(grid, 0, col, QString::fromLatin1(column.title));
        setCellBold(grid, 0, col, true);
        setCellBackground(grid, 0, col, background);
        grid->setColumnWidth(col, twips.toPixels(column.widthTwips));
    }
}

} // namespace quorvin
