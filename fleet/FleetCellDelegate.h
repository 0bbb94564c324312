#pragma once
#include <QStyledItemDelegate>

namespace quorvin::fleet {

// Paints the fleet's cells: the background the style gives, then the text in one pass, elided only where it
// does not fit, which costs a fraction of the stock delegate's text layout for cells that change every
// second. The processor cell also draws the last ten minutes' load (0 to 100 %, the newest at the right,
// gaps where no reading came) left of its figure.
class FleetCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    void paintGraph(QPainter *painter, const QStyleOptionViewItem &cell, const QModelIndex &index,
                    const QRect &area) const;
};

} // namespace quorvin::fleet
