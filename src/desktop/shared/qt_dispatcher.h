#pragma once
// The render thread's synchronized steps in the Qt main thread: a step from another thread is
// queued to the main thread's event loop and the caller blocks until it has run, so the windows
// repaint and answer their buttons while an export works. A step asked for on the main thread
// runs at once.

#include "platform/dispatcher.h"

#include <QObject>

namespace kalidor {

class QtDispatcher final : public Dispatcher {
public:
    // `context` lives in the thread the steps run on; steps still queued when it is destroyed
    // are dropped and their callers released.
    explicit QtDispatcher(QObject* context) : context_(context) {}
    void runSync(const std::function<void()>& step) override;

private:
    QObject* context_;
};

}  // namespace kalidor
