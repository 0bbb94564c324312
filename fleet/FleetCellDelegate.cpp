#include "fleet/FleetCellDelegate.h"
#include "fleet/FleetModel.h"

#include <QApplication>
#include <QPainter>
#include <QVarLengthArray>

#include <cmath>

namespace quorvin::fleet {

namespace {
constexpr int Margin = 4;
const QColor LineColour(0, 0, 128); // the Processor Utilization page's graph
const QColor GraphBackground(0, 0, 128, 18);
} // namespace

void FleetCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const bool selected = cell.state & QStyle::State_Selected;
    QRect area = option.rect.adjusted(Margin, 0, -Margin, 0);
    if (index.column() == FleetModel::ProcessorColumn) {
        const int figureWidth = option.fontMetrics.horizontalAdvance(QStringLiteral("100.00%"));
        paintGraph(painter, cell, index, area.adjusted(0, 3, -(figureWidth + Margin), -3));
    }
    if (text.isEmpty())
        return;
    // Figures and names in scripts that need no shaping are laid out without it, at a third less cost a
    // repaint; Qt still shapes the scripts that need it.
    cell.font.setStyleStrategy(QFont::StyleStrategy(cell.font.styleStrategy() | QFont::PreferNoShaping));
    const QFontMetrics metrics(cell.font);
    const int width = metrics.horizontalAdvance(text);
    const QString shown =
        width > area.width() ? metrics.elidedText(text, Qt::ElideRight, area.width()) : text;
    const int shownWidth = width > area.width() ? metrics.horizontalAdvance(shown) : width;
    // One line placed by hand: the rectangle form of drawText lays the text out as a paragraph again.
    const int x = cell.displayAlignment & Qt::AlignRight     ? area.right() + 1 - shownWidth
                  : cell.displayAlignment & Qt::AlignHCenter ? area.left() + (area.width() - shownWidth) / 2
                                                             : area.left();
    const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(selected ? cell.palette.color(QPalette::HighlightedText)
                             : cell.palette.color(QPalette::Text));
    painter->drawText(QPoint(x, baseline), shown);
    painter->restore();
}

void FleetCellDelegate::paintGraph(QPainter *painter, const QStyleOptionViewItem &cell,
                                   const QModelIndex &index, const QRect &area) const
{
    const auto values = index.data(FleetModel::HistoryRole).value<QList<float>>();
    if (area.width() < 5 || area.height() < 3 ||
        std::all_of(values.begin(), values.end(), [](float value) { return std::isnan(value); }))
        return; // no reading yet
    painter->fillRect(area, GraphBackground);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    // A line one pixel wide: the cosmetic stroker draws it at a fraction of the cost of a wider one.
    painter->setPen(QPen(
        cell.state & QStyle::State_Selected ? cell.palette.color(QPalette::HighlightedText) : LineColour, 1));
    // One point a pixel: the highest load of the seconds it covers, so that a short peak stays visible. A
    // gap ends a run of the line.
    QVarLengthArray<QPointF, 256> run;
    const auto drawRun = [&] {
        if (run.size() > 1)
            painter->drawPolyline(run.constData(), static_cast<int>(run.size()));
        else if (run.size() == 1)
            painter->drawPoint(run.front());
        run.clear();
    };
    const int n = static_cast<int>(values.size());
    for (int x = 0; x < area.width(); ++x) {
        const int from = x * n / area.width();
        const int to = std::max(from + 1, (x + 1) * n / area.width());
        float highest = std::numeric_limits<float>::quiet_NaN();
        for (int k = from; k < to && k < n; ++k)
            if (!std::isnan(values[k]) && (std::isnan(highest) || values[k] > highest))
                highest = values[k];
        if (std::isnan(highest)) {
            drawRun();
            continue;
        }
        const double load = std::clamp(static_cast<double>(highest), 0.0, 100.0);
        run.append(QPointF(area.left() + x + 0.5, area.bottom() + 0.5 - load / 100.0 * (area.height() - 1)));
    }
    drawRun();
    painter->restore();
}

} // namespace quorvin::fleet
