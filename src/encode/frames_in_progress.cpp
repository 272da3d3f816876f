#include "encode/frames_in_progress.h"

#include "platform/error.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace kalidor {

std::string FramesInProgressPath(const std::string& folder) {
    if (folder.empty())
        return kFramesInProgressName;
    return folder + (folder.back() == '/' ? "" : "/") + kFramesInProgressName;
}

bool FramesBeingWrittenBy(const std::string& folder, const std::string& writerPid) {
    if (writerPid.empty())
        return false;
    const UniqueFd fd(::open(FramesInProgressPath(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return false;
    char text[32];
    const ssize_t n = ::read(fd.get(), text, sizeof text);
    return n > 0 && std::string(text, static_cast<std::size_t>(n)) == writerPid + "\n";
}

FramesInProgressMark::FramesInProgressMark(const std::string& folder) : path_(FramesInProgressPath(folder)) {
    const std::string text = std::to_string(::getpid()) + "\n";
    const UniqueFd fd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!fd || ::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        const int error = errno;
        ::unlink(path_.c_str());
        throw Error("cannot make " + path_ + ": " + std::strerror(error));
    }
}

void FramesInProgressMark::Finish() {
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace kalidor
