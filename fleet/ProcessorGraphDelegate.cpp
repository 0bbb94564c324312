#include "fleet/ProcessorGraphDelegate.h"
#include "fleet/FleetModel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace quorvin::fleet {

namespace {
constexpr int Margin = 3;
const QColor LineColour(0, 0, 128); // the Processor Utilization page's graph
const QColor GraphBackground(0, 0, 128, 18);
} // namespace

void ProcessorGraphDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString figure = cell.text;
    cell.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const QRect inside = option.rect.adjusted(Margin, Margin, -Margin, -Margin);
    const int figureWidth = option.fontMetrics.horizontalAdvance(QStringLiteral("100.00%"));
    const QRect graph = inside.adjusted(0, 0, -(figureWidth + Margin), 0);
    const auto values = index.data(FleetModel::HistoryRole).value<QList<float>>();
    if (graph.width() > 4 && graph.height() > 2 && !values.isEmpty()) {
        painter->fillRect(graph, GraphBackground);
        // One point a pixel: the highest load of the seconds it covers, so that a short peak stays visible.
        QPainterPath line;
        bool drawing = false;
        const int n = static_cast<int>(values.size());
        for (int x = 0; x < graph.width(); ++x) {
            const int from = x * n / graph.width();
            const int to = std::max(from + 1, (x + 1) * n / graph.width());
            float highest = std::numeric_limits<float>::quiet_NaN();
            for (int k = from; k < to && k < n; ++k)
                if (!std::isnan(values[k]) && (std::isnan(highest) || values[k] > highest))
                    highest = values[k];
            if (std::isnan(highest)) {
                drawing = false;
                continue;
            }
            const double clamped = std::clamp(static_cast<double>(highest), 0.0, 100.0);
            const QPointF point(graph.left() + x, graph.bottom() - clamped / 100.0 * graph.height());
            if (drawing)
                line.lineTo(point);
            else
                line.moveTo(point);
            drawing = true;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(QPen(
            cell.state & QStyle::State_Selected ? cell.palette.highlightedText().color() : LineColour, 1.5));
        painter->drawPath(line);
        painter->restore();
    }
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.state & QStyle::State_Selected ? cell.palette.highlightedText().color()
                                                        : cell.palette.text().color());
    if (const QVariant foreground = index.data(Qt::ForegroundRole); foreground.canConvert<QBrush>())
        if (!(cell.state & QStyle::State_Selected))
            painter->setPen(foreground.value<QBrush>().color());
    painter->drawText(inside, Qt::AlignRight | Qt::AlignVCenter, figure);
    painter->restore();
}

} // namespace quorvin::fleet
