#pragma once
// Shows a cell's whole text in a tool tip when the cell is too narrow for it, and no tip
// when the text fits, so a long path that the column cuts off can still be read. A cell
// with a tip of its own shows that tip instead, always.

#include <QStyledItemDelegate>

class ElidedTextTipDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // True when the cell's text needs more room than the cell has.
    bool IsTruncated(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
