#include "desktop/pages/action_page_widgets.h"

#include "desktop/shared/drag_formats.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

namespace kalidor {

namespace {

QMimeData* actionDrag(const char* format, int number) {
    auto* data = new QMimeData;
    data->setData(format, QByteArray::number(number));
    return data;
}

}  // namespace

QStringList ActionListBox::mimeTypes() const { return {QString::fromLatin1(kActionListMime)}; }

QMimeData* ActionListBox::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty()) return nullptr;
    return actionDrag(kActionListMime, items.first()->data(kActionNumberRole).toInt());
}

void ActionListBox::startDrag(Qt::DropActions) { QListWidget::startDrag(Qt::CopyAction); }

void ActionPreviewImage::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    pressAt_ = event->position().toPoint();
    QLabel::mousePressEvent(event);
}

void ActionPreviewImage::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || actionNumber < 0 || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - pressAt_).manhattanLength() < QApplication::startDragDistance())
        return QLabel::mouseMoveEvent(event);
    pressed_ = false;
    auto* drag = new QDrag(this);
    drag->setMimeData(actionDrag(kActionPreviewMime, actionNumber));
    // The same logical size on every screen, from the description's own pixels.
    const qreal ratio = pixmap().devicePixelRatio();
    QPixmap small = pixmap().scaled(QSize(120, 81) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    small.setDevicePixelRatio(ratio);
    drag->setPixmap(small);
    drag->exec(Qt::CopyAction);
}

}  // namespace kalidor
