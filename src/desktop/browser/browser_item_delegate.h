#pragma once
// Paints one item of the picture browser's file list: the window-coloured thumbnail square, the
// thumbnail (or the file type's icon while there is none), a frame when selected, and the file
// name below, cut at the right without an ellipsis when it is too wide.

#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace kalidor::browser {

class BrowserItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The room around the square inside an item, and between the square and the caption's line.
    static constexpr int kMargin = 4;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // The file type's large icon, by the name's extension only: the file itself is not read.
    // Made for `ratio` device pixels to one, which it carries.
    QPixmap typeIcon(const QString& fileName, qreal ratio) const;

    mutable QHash<QString, QPixmap> icons_;  // by MIME type name and ratio
};

}  // namespace kalidor::browser
