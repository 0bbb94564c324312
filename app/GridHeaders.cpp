#include "app/GridHeaders.h"
#include "app/Controls.h"
#include "app/FormState.h"
#include "app/GridCells.h"
#include "app/Twips.h"
#include "app/VbColor.h"

#include <QTableWidget>
#include <array>

namespace quorvin {

namespace {

struct Column {
    const char *title; // leading blanks are part of the design
    int widthTwips;
};

constexpr std::array<Column, 5> ProcessColumns{{{"       Process Name", 2250},
                                                {"      ID", 1000},
                                                {"    Utilization", 1500},
                                                {"       Working Set", 2000},
                                                {"        Page File", 2000}}};

constexpr std::array<Column, 5> ServiceColumns{{{"              Display Name", 3400},
                                                {"          Name", 2000},
                                                {"Startup Mode", 1500},
                                                {"     Status", 1250},
                                                {"Control", 1000}}};

} // namespace

void SetGridHeaders(std::int16_t currentPage, const Controls &controls, const Twips &twips)
{
    QTableWidget *grid = nullptr;
    const std::array<Column, 5> *columns = nullptr;
    if (currentPage == page::Processes) {
        grid = controls.msfg;
        columns = &ProcessColumns;
    } else if (currentPage == page::Services) {
        grid = controls.msfgServ;
        columns = &ServiceColumns;
    } else {
        return;
    }
    const QColor background = colorFromValue(TitleBackground);
    for (int col = 0; col < static_cast<int>(columns->size()); ++col) {
        setCurrentCell(grid, 0, col);
        setCellText(grid, 0, col, QString::fromLatin1((*columns)[col].title));
        setCellBold(grid, 0, col, true);
        setCellBackground(grid, 0, col, background);
        grid->setColumnWidth(col, twips.toPixels((*columns)[col].widthTwips));
    }
}

} // namespace quorvin
