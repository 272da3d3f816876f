#include "platform/instance_lock.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>

namespace kalidor {

std::string InstanceLock::DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/') return runtime;
    const char* tmp = std::getenv("TMPDIR");
    return (tmp && *tmp == '/') ? tmp : "/tmp";
}

InstanceLock::InstanceLock(const std::string& folder)
    : path_((folder.empty() ? DefaultFolder() : folder) + "/KALIDOR_RUNNING.lock") {
    // O_CLOEXEC: a child (the encoder) must not inherit and keep the lock.
    fd_.reset(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    acquired_ = fd_ && ::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0;
}

}  // namespace kalidor
