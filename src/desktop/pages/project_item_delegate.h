#pragma once
// Paints one project of the list: the thumbnail unscaled in a 148 x 148 box, a 2-pixel
// highlight outline when selected, and the name below the box, centred or cut to the box's
// width without an ellipsis.

#include <QStyledItemDelegate>

namespace kalidor {

class ProjectItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Each item: a 148 x 148 icon area with a margin, plus a line of text.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The icon area of an item drawn in `itemRect`: all but the text line at the bottom.
    static QRect IconRect(const QRect& itemRect, const QFontMetrics& metrics);
};

}  // namespace kalidor
