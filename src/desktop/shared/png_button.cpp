#include "desktop/shared/png_button.h"

#include "desktop/shared/accessible_widgets.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace kalidor {

TPNGButton::TPNGButton(QWidget* parent) : QWidget(parent) {
    // A push button to a screen reader, pressed by its press action.
    InstallAccessibleWidgets();
    resize(23, 23);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    // Tab reaches it; a click leaves the focus where it was, as it always did.
    setFocusPolicy(Qt::TabFocus);
}

void TPNGButton::click() {
    if (isEnabled()) emit clicked();
}

QImage TPNGButton::MakeDisabledImage(const QImage& normal) {
    if (normal.isNull()) return {};
    // Palette pictures keep their transparency in the colour table; they are left as they are.
    if (normal.format() == QImage::Format_Indexed8 || normal.format() == QImage::Format_Mono ||
        normal.format() == QImage::Format_MonoLSB)
        return normal.copy();
    QImage dimmed = normal.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < dimmed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(dimmed.scanLine(y));
        for (int x = 0; x < dimmed.width(); ++x)
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), qAlpha(line[x]) / 3);
    }
    return dimmed;
}

void TPNGButton::setImageNormal(const QImage& image) {
    imageNormal_ = image.copy();
    disabled_ = MakeDisabledImage(imageNormal_);
    update();
}
void TPNGButton::setImageDown(const QImage& image) { imageDown_ = image.copy(); update(); }
void TPNGButton::setImageOver(const QImage& image) { imageOver_ = image.copy(); update(); }
void TPNGButton::setCaption(const QString& caption) { caption_ = caption; update(); }
void TPNGButton::setButtonLayout(TPNGButtonLayout layout) { layout_ = layout; update(); }
void TPNGButton::setButtonStyle(TPNGButtonStyle style) { style_ = style; update(); }

const QImage& TPNGButton::shownImage(Shown shown) const {
    switch (shown) {
    case Shown::Down: return imageDown_;
    case Shown::Over: return imageOver_;
    case Shown::Disabled: return disabled_;
    case Shown::Normal: break;
    }
    return imageNormal_;
}

TPNGButton::PaintPlan TPNGButton::plan() const {
    PaintPlan p;
    const bool pressed = (state_ == State::Down && over_) || keyDown_;
    if (pressed && !imageDown_.isNull()) p.image = Shown::Down;
    else if (over_ && !imageOver_.isNull() && isEnabled()) p.image = Shown::Over;
    else if (state_ == State::Disabled && !disabled_.isNull()) p.image = Shown::Disabled;
    // In logical pixels: an image for a denser screen stands in the same place.
    const QSize imageSize = shownImage(p.image).deviceIndependentSize().toSize();
    const int iw = imageSize.width();
    int ih = imageSize.height();
    int tw = 0, th = 0;
    if (!caption_.isEmpty()) {
        const QSize extent = fontMetrics().size(Qt::TextSingleLine, caption_);
        tw = extent.width();
        th = extent.height();
        ih += 4;
    }
    const int shift = pressed ? 2 : 0;
    const int w = width(), h = height();
    // div: C++ integer division truncates toward zero.
    int ix = (w - iw) / 2 + shift, tx = (w - tw) / 2 + shift;
    int ty = (h - th) / 2, iy = (h - ih) / 2;
    switch (layout_) {
    case pbsImageAbove: iy = (h - ih - th) / 2; ty = iy + ih; break;
    case pbsImageBellow: ty = (h - ih - th) / 2; iy = ty + th; break;
    case pbsImageLeft: ix = (w - iw - tw) / 2; tx = ix + iw + 5; break;  // no pressed shift
    case pbsImageRight: tx = (w - iw - tw) / 2; ix = tx + tw + 5; break;
    }
    p.imagePos = {ix, iy + shift};
    p.textPos = {tx, ty + shift};
    switch (style_) {
    case pbsDefault: p.frame = pressed ? Frame::PushButtonPressed : Frame::PushButton; break;
    case pbsFlat:
        if (state_ == State::Disabled) p.frame = Frame::None;
        else if (pressed) p.frame = Frame::Sunken;
        else if (over_ || state_ == State::Down) p.frame = Frame::Raised;
        break;
    case pbsNoFrame: break;
    }
    return p;
}

void TPNGButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    const PaintPlan p = plan();
    const QRect all = rect();
    switch (p.frame) {
    case Frame::PushButton:
    case Frame::PushButtonPressed: {
        QStyleOptionButton option;
        option.initFrom(this);
        option.state &= ~QStyle::State_HasFocus;
        option.state |= p.frame == Frame::PushButtonPressed ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
        break;
    }
    case Frame::Sunken:
    case Frame::Raised: {
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor light = palette().color(QPalette::Light);
        const bool sunken = p.frame == Frame::Sunken;
        painter.setPen(sunken ? shadow : light);
        painter.drawLine(all.topLeft(), all.topRight());
        painter.drawLine(all.topLeft(), all.bottomLeft());
        painter.setPen(sunken ? light : shadow);
        painter.drawLine(all.bottomLeft(), all.bottomRight());
        painter.drawLine(all.topRight(), all.bottomRight());
        break;
    }
    case Frame::None: break;
    }
    painter.drawImage(p.imagePos, shownImage(p.image));
    if (hasFocus()) {
        // Drawn over the image, so a frameless button shows it too.
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(all).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
        painter.restore();
    }
    if (!caption_.isEmpty()) {
        painter.setClipRect(all);
        painter.setPen(state_ == State::Disabled ? palette().color(QPalette::Disabled, QPalette::Text)
                                                 : palette().color(QPalette::ButtonText));
        painter.drawText(QRect(p.textPos, QSize(all.width() * 4, all.height() * 4)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption_);
    }
}

void TPNGButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) click();
        return;
    }
    if (key == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat() && state_ == State::Up) {
            keyDown_ = true;
            update();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

void TPNGButton::keyReleaseEvent(QKeyEvent* event) {
    // Space clicks on release, as a push button does.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && keyDown_) {
        keyDown_ = false;
        update();
        click();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TPNGButton::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void TPNGButton::focusOutEvent(QFocusEvent* event) {
    keyDown_ = false;
    update();
    QWidget::focusOutEvent(event);
}

void TPNGButton::mousePressEvent(QMouseEvent* event) {
    if (state_ == State::Up && event->button() == Qt::LeftButton) {
        state_ = State::Down;
        update();
    }
    QWidget::mousePressEvent(event);
}

void TPNGButton::mouseReleaseEvent(QMouseEvent* event) {
    // A release over the button is a click; the release itself then finds the state up.
    const bool click = state_ == State::Down && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (state_ == State::Down) {
        state_ = State::Up;
        update();
    }
    if (click) emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void TPNGButton::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    // y up to the height inclusive, as the button always took it.
    const bool inside = at.x() >= 0 && at.x() <= width() - 1 && at.y() >= 0 && at.y() <= height();
    if (inside && !over_ && state_ != State::Down) {
        over_ = true;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void TPNGButton::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        emit mouseEntered();
        over_ = true;
        update();
    }
    QWidget::enterEvent(event);
}

void TPNGButton::leaveEvent(QEvent* event) {
    if (isEnabled()) {
        emit mouseExited();
        over_ = false;
        update();
    }
    QWidget::leaveEvent(event);
}

void TPNGButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        keyDown_ = false;
        if (!isEnabled()) {
            disabled_ = MakeDisabledImage(imageNormal_);
            state_ = State::Disabled;
        } else {
            state_ = State::Up;
        }
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace kalidor
