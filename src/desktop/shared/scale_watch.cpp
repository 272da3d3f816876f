#include "desktop/shared/scale_watch.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace kalidor {
namespace {

class ScaleWatch : public QObject {
public:
    ScaleWatch(QWidget* widget, std::function<void()> changed)
        : QObject(widget), widget_(widget), changed_(std::move(changed)), ratio_(widget->devicePixelRatioF()) {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // A window's move to another screen reaches each of its widgets as the internal screen
        // change; a ratio change on the same screen has its own event from Qt 6.6 on.
        const bool screenEvent = event->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
                                 || event->type() == QEvent::DevicePixelRatioChange
#endif
                                 || event->type() == QEvent::Show;
        // Read once the event is through: the window may take its new screen's ratio after it.
        if (watched == widget_ && screenEvent) QTimer::singleShot(0, this, [this] { check(); });
        return false;
    }

private:
    void check() {
        if (widget_->devicePixelRatioF() == ratio_) return;
        ratio_ = widget_->devicePixelRatioF();
        changed_();
    }

    QWidget* widget_;
    std::function<void()> changed_;
    qreal ratio_;
};

}  // namespace

void OnScaleChange(QWidget* widget, std::function<void()> changed) { new ScaleWatch(widget, std::move(changed)); }

}  // namespace kalidor
