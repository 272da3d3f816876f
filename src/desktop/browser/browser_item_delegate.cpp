#include "desktop/browser/browser_item_delegate.h"

#include "desktop_rules/picture_browser.h"
#include "desktop/browser/browser_file_model.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileIconProvider>
#include <QFontMetrics>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>

namespace kalidor::browser {
namespace {

constexpr int kSquare = rules::kBrowserThumbnailSize;

rules::Rect toRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

}  // namespace

QSize BrowserItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const QFontMetrics metrics(option.font);
    return {kSquare + 2 * kMargin, kSquare + 2 * kMargin + metrics.height() + kMargin};
}

void BrowserItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    painter->save();
    // The icon rectangle is the item's top part, above the caption's line.
    const QRect item = option.rect;
    const rules::Rect icon = toRect(QRect(item.left(), item.top(), item.width(), kSquare + 2 * kMargin));
    const rules::Rect square = rules::ThumbnailSquare(icon, kSquare);
    const QRect squareRect(square.left, square.top, kSquare, kSquare);
    painter->fillRect(squareRect, option.palette.color(QPalette::Base));

    const QImage thumbnail = index.data(BrowserFileModel::ThumbnailRole).value<QImage>();
    const QString name = index.data(Qt::DisplayRole).toString();
    // Images carry their device pixel ratio and are drawn at their logical size, placed in
    // logical pixels: sharp on a high-density screen, in the same place as at scale 1.
    if (thumbnail.isNull()) {
        const rules::Point at = rules::TypeIconOrigin(square);
        painter->drawPixmap(QPoint(at.x, at.y), typeIcon(name, painter->device()->devicePixelRatioF()));
    } else {
        const QSize size = thumbnail.deviceIndependentSize().toSize();  // rounded
        const rules::Point at = rules::ThumbnailOrigin(square, size.width(), size.height());
        painter->drawImage(QPoint(at.x, at.y), thumbnail);
    }

    if (option.state & QStyle::State_Selected) {
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
        const QPoint corners[] = {{square.left, square.top},
                                  {square.left, square.bottom - 1},
                                  {square.right - 1, square.bottom - 1},
                                  {square.right - 1, square.top},
                                  {square.left, square.top}};
        painter->drawPolyline(corners, 5);
    }

    if (option.state & QStyle::State_HasFocus) {
        // The item the keyboard stands on, in a list that has the focus.
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DashLine));
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
    }

    const QFontMetrics metrics(option.font);
    const rules::Caption caption = rules::PlaceCaption(name.toStdString(), square, [&](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    });
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(caption.origin.x, caption.origin.y + metrics.ascent(), QString::fromStdString(caption.text));
    painter->restore();
}

QPixmap BrowserItemDelegate::typeIcon(const QString& fileName, qreal ratio) const {
    static const QMimeDatabase mimeTypes;
    const QMimeType type = mimeTypes.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    const QString key = type.name() + QLatin1Char('@') + QString::number(ratio);
    const auto cached = icons_.constFind(key);
    if (cached != icons_.constEnd()) return *cached;
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    const QSize logical(rules::kTypeIconSize, rules::kTypeIconSize);
    const QSize device = (QSizeF(logical) * ratio).toSize();  // rounded
    QPixmap pixmap = icon.pixmap(logical, ratio);
    if (pixmap.size() != device && !pixmap.isNull())
        pixmap = pixmap.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(ratio);
    icons_.insert(key, pixmap);
    return pixmap;
}

}  // namespace kalidor::browser
