#pragma once
// An exclusive lock on a folder among all processes: flock on the folder itself, so no lock file
// is ever made, deleted or tripped over. The kernel releases it when the holder ends, however it
// ends, so a lock of a process that died counts as free. Two opens of one folder conflict even
// within one process.

#include "platform/unique_fd.h"

#include <string>

namespace kalidor {

enum class LockState {
    Acquired,
    Held,    // another holder has it
    Failed,  // it cannot be opened or locked (a file system without such locks); the error says why
};

// An exclusive flock on `fd`, opened from `path`, without waiting; `error` gets
// "cannot lock <path>: <reason>" for Failed.
LockState LockExclusively(int fd, const std::string& path, std::string& error);

class FolderLock {
public:
    using State = LockState;

    // Tries once, without waiting.
    explicit FolderLock(const std::string& folder);

    State state() const noexcept { return state_; }
    const std::string& error() const noexcept { return error_; }

private:
    UniqueFd fd_;
    State state_ = State::Failed;
    std::string error_;
};

}  // namespace kalidor
