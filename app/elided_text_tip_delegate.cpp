#include "app/elided_text_tip_delegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

bool ElidedTextTipDelegate::IsTruncated(const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    return sizeHint(option, index).width() > option.rect.width();
}

bool ElidedTextTipDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                      const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // A tip of the cell's own (a full path behind a name) is always offered.
    const QString ownTip = index.isValid() ? index.data(Qt::ToolTipRole).toString() : QString();
    if (!ownTip.isEmpty()) {
        QToolTip::showText(event->globalPos(), ownTip, view, option.rect);
    } else if (index.isValid() && IsTruncated(option, index)) {
        QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view,
                           option.rect);
    } else {
        QToolTip::hideText();
    }
    return true;
}
