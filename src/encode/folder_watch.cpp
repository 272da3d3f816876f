#include "encode/folder_watch.h"

#include "platform/error.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace kalidor {
namespace {

// The errors that say the system has no instance or watch to give (EMFILE: the user's instances
// or our open files; ENOSPC: the user's watches, not a full disk), rather than that the folder
// is wrong.
bool isLimit(int error) { return error == EMFILE || error == ENFILE || error == ENOSPC || error == ENOMEM; }

}  // namespace

FolderWatch::FolderWatch(const std::string& folder)
    : inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (!inotify_) {
        if (!isLimit(errno))
            throw Error("cannot watch " + folder + ": " + std::strerror(errno));
        return;
    }
    // A link or a rename is how a whole file appears; a removal is how one is taken.
    const std::uint32_t mask = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_ONLYDIR;
    if (::inotify_add_watch(inotify_.get(), folder.c_str(), mask) < 0) {
        const int error = errno;
        inotify_.reset();
        if (!isLimit(error))
            throw Error("cannot watch " + folder + ": " + std::strerror(error));
        return;
    }
    wake_.reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake_)
        inotify_.reset();  // polled then: a stop must be able to end a wait
}

FolderWatch::Woken FolderWatch::Wait(int timeoutMs) {
    if (!inotify_) {
        // Polling: a bounded sleep that StopWaiting ends early.
        const bool timeoutFirst = timeoutMs >= 0 && timeoutMs < kPollInterval.count();
        const auto sleep = timeoutFirst ? std::chrono::milliseconds(timeoutMs) : kPollInterval;
        std::unique_lock lock(mutex_);
        if (stopped_.wait_for(lock, sleep, [this] { return stop_; }))
            return Woken::Stopped;
        return timeoutFirst ? Woken::TimedOut : Woken::Changed;
    }
    pollfd fds[2] = {{inotify_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    int ready = 0;
    do
        ready = ::poll(fds, 2, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return Woken::TimedOut;
    // The eventfd is never read, so it stays ready for every waiter.
    if (fds[1].revents != 0)
        return Woken::Stopped;
    // The events themselves do not matter, only that something changed: the caller looks again.
    // An overflowed queue says the same.
    alignas(inotify_event) char events[4096];
    while (::read(inotify_.get(), events, sizeof events) > 0) {
    }
    return Woken::Changed;
}

void FolderWatch::StopWaiting() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopped_.notify_all();
    if (wake_) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_.get(), &one, sizeof one);
    }
}

}  // namespace kalidor
