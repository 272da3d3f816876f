#include "desktop/shared/widget_events.h"

#include <QWidget>

namespace kalidor {
namespace {

class EventHook : public QObject {
public:
    EventHook(QWidget* watched, QEvent::Type type, std::function<void()> handler)
        : QObject(watched), type_(type), handler_(std::move(handler)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_) handler_();
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> handler_;
};

}  // namespace

void OnWidgetEvent(QWidget* watched, QEvent::Type type, std::function<void()> handler) {
    new EventHook(watched, type, std::move(handler));
}

}  // namespace kalidor
