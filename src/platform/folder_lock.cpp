#include "platform/folder_lock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>

namespace kalidor {

FolderLock::FolderLock(const std::string& folder) {
    // O_CLOEXEC: a child (the encoder) must not inherit and keep the lock.
    fd_.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd_) {
        error_ = "cannot open " + folder + ": " + std::strerror(errno);
        return;
    }
    if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Acquired;
    } else if (errno == EWOULDBLOCK) {
        state_ = State::Held;
    } else {
        error_ = "cannot lock " + folder + ": " + std::strerror(errno);
        fd_.reset();
    }
}

}  // namespace kalidor
