#include "platform/folder_lock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>

namespace kalidor {

LockState LockExclusively(int fd, const std::string& path, std::string& error) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return LockState::Acquired;
    if (errno == EWOULDBLOCK)
        return LockState::Held;
    error = "cannot lock " + path + ": " + std::strerror(errno);
    return LockState::Failed;
}

FolderLock::FolderLock(const std::string& folder) {
    // O_CLOEXEC: a child (the encoder) must not inherit and keep the lock.
    fd_.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd_) {
        error_ = "cannot open " + folder + ": " + std::strerror(errno);
        return;
    }
    state_ = LockExclusively(fd_.get(), folder, error_);
}

}  // namespace kalidor
