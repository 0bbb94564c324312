#pragma once
#include <QStyledItemDelegate>

namespace quorvin::fleet {

// Paints the processor cell: a line of the last ten minutes' load (0 to 100 %, the newest at the right, gaps
// where no reading came) left of the figure, which stays right-aligned.
class ProcessorGraphDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};

} // namespace quorvin::fleet
