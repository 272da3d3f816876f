#include "platform/instance_lock.h"

#include "platform/error.h"
#include "platform/folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace kalidor {
namespace {

std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value == '/' ? value : "";
}

std::string homeFolder() {
    if (std::string home = absoluteEnv("HOME"); !home.empty())
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

}  // namespace

std::string InstanceLock::DefaultFolder() {
    if (std::string runtime = absoluteEnv("XDG_RUNTIME_DIR"); !runtime.empty())
        return runtime;
    std::string cache = absoluteEnv("XDG_CACHE_HOME");
    if (cache.empty())
        cache = homeFolder() + "/.cache";
    return cache + "/Orvane/Kalidor";
}

InstanceLock::InstanceLock(const std::string& folder) {
    const std::string where = folder.empty() ? DefaultFolder() : folder;
    path_ = where + "/KALIDOR_RUNNING.lock";
    try {
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
