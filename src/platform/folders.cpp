#include "platform/folders.h"

#include "platform/file_io.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace kalidor {

void MakeFolders(const std::string& path, mode_t mode) {
    // Each part from the root down, so the part named in an error is the one that failed.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        struct stat info {};
        if (!part.empty() && ::stat(part.c_str(), &info) != 0) {
            if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
                const int error = errno;
                throw FileError("cannot make the folder " + part + ": " + std::strerror(error), error);
            }
        } else if (!part.empty() && !S_ISDIR(info.st_mode)) {
            throw Error("cannot make the folder " + path.substr(0, path.find_last_not_of('/') + 1) + ": " +
                        std::strerror(ENOTDIR) + " (" + part + ")");
        }
        if (end == std::string::npos)
            return;
    }
}

}  // namespace kalidor
