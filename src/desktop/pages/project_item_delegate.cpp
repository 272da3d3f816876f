#include "desktop/pages/project_item_delegate.h"

#include "model/project_tile_layout.h"
#include "desktop/pages/project_list_model.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QtMath>

namespace kalidor {
namespace {
constexpr int kMargin = 8;
}

QRect ProjectItemDelegate::IconRect(const QRect& itemRect, const QFontMetrics& metrics) {
    return QRect(itemRect.left(), itemRect.top(), itemRect.width(), itemRect.height() - metrics.height() - 2);
}

QSize ProjectItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {kProjectThumbSize + kMargin, kProjectThumbSize + kMargin + option.fontMetrics.height() + 2};
}

void ProjectItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    painter->save();
    const QPalette& palette = option.palette;
    const QRect icon = IconRect(option.rect, option.fontMetrics);
    // QRect's right() is inclusive; the box rules take the exclusive edge.
    const TileRect box = ThumbnailBox({icon.left(), icon.top(), icon.left() + icon.width(), icon.top() + icon.height()});
    painter->fillRect(QRect(box.left, box.top, kProjectThumbSize, kProjectThumbSize), palette.color(QPalette::Base));

    const QImage thumbnail = index.data(ProjectListModel::ThumbnailRole).value<QImage>();
    if (!thumbnail.isNull()) {
        // Placed by its logical size: a dense screen's copy has more pixels, not more room.
        const QSizeF size = thumbnail.deviceIndependentSize();
        const TilePoint at = ThumbnailOrigin(box, qCeil(size.width()), qCeil(size.height()));
        painter->setClipRect(option.rect);
        painter->drawImage(QRectF(QPointF(at.x, at.y), size), thumbnail);
        painter->setClipping(false);
    }
    if (option.state & QStyle::State_Selected) {
        QPen pen(palette.color(QPalette::Highlight), 2);
        painter->setPen(pen);
        const QPoint corners[] = {{box.left, box.top}, {box.left, box.bottom - 1}, {box.right - 1, box.bottom - 1},
                                  {box.right - 1, box.top}, {box.left, box.top}};
        painter->drawPolyline(corners, 5);
    }
    if (option.state & QStyle::State_HasFocus) {
        // The item the keyboard stands on, in a list that has the focus.
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DashLine));
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
    }
    const QString name = index.data(Qt::DisplayRole).toString();
    const QFontMetrics& metrics = option.fontMetrics;
    const int a = box.right - box.left;
    const std::string shown = FitName(name.toStdString(), a, [&metrics](std::string_view part) {
        return metrics.horizontalAdvance(QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size())));
    });
    const QString text = QString::fromStdString(shown);
    const int x = NameLeft(box, metrics.horizontalAdvance(name) <= a ? metrics.horizontalAdvance(name) : a + 1);
    painter->setFont(option.font);
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(QPoint(x, box.top + kProjectThumbSize + metrics.ascent()), text);
    painter->restore();
}

}  // namespace kalidor
