#include "desktop/shared/qt_dispatcher.h"

#include <QThread>

#include <exception>

namespace kalidor {

void QtDispatcher::runSync(const std::function<void()>& step) {
    if (QThread::currentThread() == context_->thread()) return step();
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        context_,
        [&] {
            try {
                step();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace kalidor
