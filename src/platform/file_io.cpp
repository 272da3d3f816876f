#include "platform/file_io.h"

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { if (fd_ >= 0) ::close(fd_); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { int fd = fd_; fd_ = -1; return fd; }

private:
    int fd_;
};

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw Error(what + " " + path + ": " + std::strerror(error));
}

}  // namespace

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        fail("cannot open", path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail("cannot read", path, errno);
    if (S_ISDIR(info.st_mode))
        fail("cannot read", path, EISDIR);
    std::vector<std::uint8_t> bytes;
    if (info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot read", path, errno);
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string temp = path + ".tmp-XXXXXX";
    FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        fail("cannot create a temporary file for", path, errno);
    auto abandon = [&](int error) {
        ::close(fd.release());
        ::unlink(temp.c_str());
        fail("cannot write", path, error);
    };
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    // mkostemp makes the file 0600; give it the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.get(), 0666 & ~mask);
    if (::fsync(fd.get()) != 0)
        abandon(errno);
    if (::close(fd.release()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot write", path, error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot replace", path, error);
    }
}

}  // namespace kalidor
