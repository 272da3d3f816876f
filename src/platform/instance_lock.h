#pragma once
// The single-instance lock: an exclusive flock on KALIDOR_RUNNING.lock in $XDG_RUNTIME_DIR, or,
// where that is not set, in a folder of the user's own under the cache folder (a lock in the
// shared temporary folder could be made by another user and block everyone). The kernel releases
// it when the process ends, however it ends, so a lock left by a dead process counts as free.

#include "platform/folder_lock.h"
#include "platform/unique_fd.h"

#include <string>

namespace kalidor {

class InstanceLock {
public:
    // Failed: the lock file cannot be made or locked; error() says why.
    using State = LockState;

    // Tries once, without waiting, making the folder when it is missing. `folder` empty: the
    // folder described above.
    explicit InstanceLock(const std::string& folder = {});

    State state() const noexcept { return state_; }
    bool acquired() const noexcept { return state_ == State::Acquired; }
    const std::string& path() const noexcept { return path_; }
    // For Failed: the path and the OS's reason ("Instance lock: cannot open /h/.cache/...: Permission denied").
    const std::string& error() const noexcept { return error_; }

    // $XDG_RUNTIME_DIR when it is an absolute path, else $XDG_CACHE_HOME (absolute) or
    // ~/.cache, followed by "/Orvane/Kalidor". Raises kalidor::Error when it needs the home
    // folder and there is none (XdgBaseFolder).
    static std::string DefaultFolder();

private:
    std::string path_;
    UniqueFd fd_;
    State state_ = State::Failed;
    std::string error_;
};

}  // namespace kalidor
