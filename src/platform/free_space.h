#pragma once
// Free disk space for an unprivileged user on the volume that holds a path.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kalidor {

// Bytes available to this user (statvfs: f_bavail x f_frsize) on the volume of `path`, which
// must exist; nothing when the query fails.
std::optional<std::uint64_t> FreeDiskSpace(const std::string& path);

// A replaceable query of the same kind, so that callers can be tested with any free space.
using FreeSpaceQuery = std::function<std::optional<std::uint64_t>(const std::string& path)>;

}  // namespace kalidor
