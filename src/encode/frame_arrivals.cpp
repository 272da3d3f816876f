#include "encode/frame_arrivals.h"

#include "encode/frame_sequence.h"
#include "encode/frames_in_progress.h"
#include "platform/error.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

// The frame's file, or empty with errno set.
UniqueFd openFrame(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return fd;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw Error("cannot read frame " + path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw Error("frame " + path + " is not a file");
    return fd;
}

}  // namespace

std::string FolderOfPattern(const std::string& pattern) {
    const auto slash = pattern.rfind('/');
    return slash == std::string::npos ? "./" : pattern.substr(0, slash + 1);
}

FrameArrivals::FrameArrivals(const std::string& pattern)
    : pattern_(pattern), mark_(FramesInProgressPath(FolderOfPattern(pattern))), watch_(FolderOfPattern(pattern)) {}

UniqueFd FrameArrivals::Open(long number) {
    const std::string path = FrameFilePath(pattern_, number);
    for (;;) {
        if (UniqueFd fd = openFrame(path))
            return fd;
        if (errno != ENOENT)
            throw Error("cannot read frame " + path + ": " + std::strerror(errno));
        // The writer places its last frame before it removes the mark: one more look after that.
        if (::access(mark_.c_str(), F_OK) != 0) {
            if (UniqueFd fd = openFrame(path))
                return fd;
            throw Error(FrameMissingMessage(path, errno));
        }
        if (watch_.Wait() == FolderWatch::Woken::Stopped)
            return {};
    }
}

}  // namespace kalidor
