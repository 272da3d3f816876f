#include "desktop/storyboard/storyboard_input.h"

#include "desktop_rules/panel_layout.h"
#include "desktop/storyboard/story_panel.h"
#include "desktop/shared/drag_formats.h"
#include "desktop/shared/interface_image.h"

#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>

namespace kalidor {
namespace {

// A drag starts once the pointer has moved this far with the button held; releasing earlier is
// a click.
constexpr int kDragDistance = 3;

int tagOf(const QObject* object) {
    const QVariant tag = object->property(kTagProperty);
    return tag.isValid() ? tag.toInt() : -1;
}

const rules::PanelControlLayout* layoutOf(const QObject* object) {
    const QVariant control = object->property(kPanelControlProperty);
    if (!control.isValid()) return nullptr;
    return &rules::LayoutOf(static_cast<rules::PanelControl>(control.toInt()));
}

}  // namespace

StoryboardInput::StoryboardInput(Handlers handlers, QObject* parent) : QObject(parent), handlers_(std::move(handlers)) {}

void StoryboardInput::WatchPanelControl(QWidget* control) {
    const rules::PanelControlLayout* layout = layoutOf(control);
    if (!layout) return;
    if (layout->acceptsDrop) control->setAcceptDrops(true);
    if (layout->startsDrag || layout->acceptsDrop || layout->click == rules::ClickAction::Select ||
        layout->click == rules::ClickAction::TimeDialog)
        control->installEventFilter(this);
}

void StoryboardInput::WatchStrip(QWidget* strip) {
    strip->setAcceptDrops(true);
    strip->installEventFilter(this);
}

bool StoryboardInput::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    return layoutOf(widget) ? panelEvent(widget, event) : stripEvent(event);
}

bool StoryboardInput::panelEvent(QWidget* control, QEvent* event) {
    const rules::PanelControlLayout& layout = *layoutOf(control);
    const int index = tagOf(control);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // The second press of a double click is taken like the first, so that its release never
        // reaches the strip as a click on the empty strip; the first click did the selecting.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        pressed_ = control;
        pressAt_ = mouse->position().toPoint();
        dragged_ = false;
        secondClick_ = event->type() == QEvent::MouseButtonDblClick;
        if (secondClick_ && layout.click == rules::ClickAction::Select && handlers_.doubleClick)
            handlers_.doubleClick(index);
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (pressed_ != control || dragged_ || !layout.startsDrag || !(mouse->buttons() & Qt::LeftButton)) return false;
        if ((mouse->position().toPoint() - pressAt_).manhattanLength() < kDragDistance) return true;
        dragged_ = true;
        startDrag(control, index);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || pressed_ != control) return false;
        pressed_ = nullptr;
        if (dragged_ || secondClick_ || !control->rect().contains(mouse->position().toPoint())) return true;
        if (layout.click == rules::ClickAction::Select && handlers_.select) handlers_.select(index);
        if (layout.click == rules::ClickAction::TimeDialog && handlers_.timeClick) handlers_.timeClick(index);
        return true;
    }
    case QEvent::KeyPress: {
        // Space and Enter on a control that took the focus: its click.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool press = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!press || (key->modifiers() & ~(Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier))) return false;
        if (!key->isAutoRepeat() && layout.click == rules::ClickAction::Select && handlers_.select) handlers_.select(index);
        if (!key->isAutoRepeat() && layout.click == rules::ClickAction::TimeDialog && handlers_.timeClick)
            handlers_.timeClick(index);
        return layout.click == rules::ClickAction::Select || layout.click == rules::ClickAction::TimeDialog;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        if (!layout.acceptsDrop) return false;
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (handlers_.acceptsDrop && handlers_.acceptsDrop(index, drag->mimeData())) drag->acceptProposedAction();
        else drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        if (!layout.acceptsDrop) return false;
        auto* drop = static_cast<QDropEvent*>(event);
        if (!handlers_.acceptsDrop || !handlers_.acceptsDrop(index, drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (handlers_.drop) handlers_.drop(index, drop->mimeData());
        return true;
    }
    default: return false;
    }
}

bool StoryboardInput::stripEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel: return handlers_.wheel && handlers_.wheel(static_cast<QWheelEvent*>(event));
    // Taken here, so that a click on the content is not passed on to the viewport as a second one.
    case QEvent::MouseButtonPress: return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
        if (handlers_.stripClick) handlers_.stripClick();
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (handlers_.acceptsDrop && handlers_.acceptsDrop(-1, drag->mimeData())) drag->acceptProposedAction();
        else drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!handlers_.acceptsDrop || !handlers_.acceptsDrop(-1, drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (handlers_.drop) handlers_.drop(-1, drop->mimeData());
        return true;
    }
    default: return false;
    }
}

void StoryboardInput::startDrag(QWidget* control, int index) {
    auto* data = new QMimeData;
    data->setData(kPanelMime, QByteArray::number(index));
    auto* drag = new QDrag(control);  // deleted by Qt when the drag is over; it takes the data
    drag->setMimeData(data);
    // The thumbnail under the pointer, so the user sees which picture moves.
    QWidget* panel = control->property(kPanelControlProperty).toInt() == static_cast<int>(rules::PanelControl::Panel)
                         ? control
                         : control->parentWidget();
    if (auto* thumbnail = panel ? panel->findChild<QLabel*>(
                                      QString::fromStdString(rules::PanelControlName(rules::PanelControl::Thumbnail, index)))
                                : nullptr) {
        const QPixmap pixmap = thumbnail->pixmap();
        if (!pixmap.isNull()) {
            drag->setPixmap(FittedAtOwnDensity(pixmap, QSize(64, 64)));
            drag->setHotSpot(QPoint(32, 32));
        }
    }
    drag->exec(Qt::MoveAction);
}

}  // namespace kalidor
