#include "desktop/pages/action_page_widgets.h"

#include "desktop/shared/drag_formats.h"
#include "desktop/shared/interface_image.h"

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
    drag->setPixmap(FittedAtOwnDensity(pixmap(), QSize(120, 81)));
    drag->exec(Qt::CopyAction);
}

}  // namespace kalidor
