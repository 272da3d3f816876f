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
    if (thumbnail.isNull()) {
        const rules::Point at = rules::TypeIconOrigin(square);
        painter->drawPixmap(at.x, at.y, typeIcon(name));
    } else {
        const rules::Point at = rules::ThumbnailOrigin(square, thumbnail.width(), thumbnail.height());
        painter->drawImage(at.x, at.y, thumbnail);
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

QPixmap BrowserItemDelegate::typeIcon(const QString& fileName) const {
    static const QMimeDatabase mimeTypes;
    const QMimeType type = mimeTypes.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    const auto cached = icons_.constFind(type.name());
    if (cached != icons_.constEnd()) return *cached;
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    QPixmap pixmap = icon.pixmap(rules::kTypeIconSize, rules::kTypeIconSize);
    if (pixmap.size() != QSize(rules::kTypeIconSize, rules::kTypeIconSize) && !pixmap.isNull())
        pixmap = pixmap.scaled(rules::kTypeIconSize, rules::kTypeIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    icons_.insert(type.name(), pixmap);
    return pixmap;
}

}  // namespace kalidor::browser
