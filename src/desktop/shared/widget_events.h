#pragma once
// A handler for one kind of event of a widget, without subclassing it.

#include <QEvent>

#include <functional>

class QWidget;

namespace kalidor {

// Calls `handler` after every event of `type` that `watched` receives (the event goes on as
// usual). Owned by `watched`.
void OnWidgetEvent(QWidget* watched, QEvent::Type type, std::function<void()> handler);

}  // namespace kalidor
