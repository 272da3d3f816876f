#pragma once
// The single-instance lock: an exclusive flock on KALIDOR_RUNNING.lock in $XDG_RUNTIME_DIR
// (else the temporary folder). The kernel releases it when the process ends, however it ends,
// so a lock left by a dead process counts as free.

#include "platform/unique_fd.h"

#include <string>

namespace kalidor {

class InstanceLock {
public:
    // Tries once, without waiting. `folder` empty: the runtime folder described above.
    explicit InstanceLock(const std::string& folder = {});

    // False when another process holds the lock (or the lock file cannot be opened).
    bool acquired() const noexcept { return acquired_; }
    const std::string& path() const noexcept { return path_; }

    static std::string DefaultFolder();

private:
    std::string path_;
    UniqueFd fd_;
    bool acquired_ = false;
};

}  // namespace kalidor
