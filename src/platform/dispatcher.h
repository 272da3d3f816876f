#pragma once
// "Run this step on the owner's thread and wait for it": how a worker hands work to the thread
// that owns the objects the step touches (in the desktop program, the user-interface thread).
//
// runSync returns when the step has run; an exception thrown by the step reaches the caller.
// A step that calls runSync on the same dispatcher from the owner's thread must run at once,
// so implementations never deadlock on themselves.

#include <functional>
#include <mutex>

namespace kalidor {

class Dispatcher {
public:
    virtual ~Dispatcher() = default;
    virtual void runSync(const std::function<void()>& step) = 0;
};

// Runs the step on the calling thread. For the command line and tests, where the owner keeps
// to itself what the steps touch while a worker runs.
class DirectDispatcher final : public Dispatcher {
public:
    void runSync(const std::function<void()>& step) override { step(); }
};

// Runs the step on the calling thread, one step at a time: steps of several workers never
// overlap, and the owner takes the same lock (withLock) to read what the steps write.
// The lock is recursive, so a step may run nested steps.
class SerialDispatcher final : public Dispatcher {
public:
    void runSync(const std::function<void()>& step) override {
        std::lock_guard lock(mutex_);
        step();
    }

    template <class F>
    decltype(auto) withLock(F&& f) {
        std::lock_guard lock(mutex_);
        return std::forward<F>(f)();
    }

private:
    std::recursive_mutex mutex_;
};

// The dispatcher of commands made without one: a DirectDispatcher that lives for the program.
Dispatcher& directDispatcher();

}  // namespace kalidor
