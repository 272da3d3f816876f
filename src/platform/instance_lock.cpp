#include "platform/instance_lock.h"

#include "platform/error.h"
#include "platform/folders.h"
#include "platform/user_folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kalidor {

std::string InstanceLock::DefaultFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        return runtime;
    return XdgBaseFolder("XDG_CACHE_HOME", ".cache") + "Orvane/Kalidor";
}

InstanceLock::InstanceLock(const std::string& folder) {
    try {
        const std::string where = folder.empty() ? DefaultFolder() : folder;
        path_ = where + "/KALIDOR_RUNNING.lock";
        MakeFolders(where, 0700);
    } catch (const Error& e) {
        error_ = "Instance lock: " + std::string(e.what());
        return;
    }
    // O_CLOEXEC: a child (the encoder) must not inherit and keep the lock.
    fd_.reset(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd_) {
        error_ = "Instance lock: cannot open " + path_ + ": " + std::strerror(errno);
        return;
    }
    state_ = LockExclusively(fd_.get(), path_, error_);
    if (state_ == State::Failed)
        error_ = "Instance lock: " + error_;
}

}  // namespace kalidor
