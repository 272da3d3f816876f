#include "platform/free_space.h"

#include <cerrno>
#include <sys/statvfs.h>

namespace kalidor {

std::optional<std::uint64_t> FreeDiskSpace(const std::string& path) {
    struct statvfs info {};
    int rc;
    do
        rc = ::statvfs(path.c_str(), &info);
    while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return std::nullopt;
    // Both factors are widened first: a 32-bit block count times the block size overflows.
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

}  // namespace kalidor
