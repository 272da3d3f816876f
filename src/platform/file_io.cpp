#include "platform/file_io.h"

#include "platform/error.h"
#include "platform/owned_folder.h"
#include "platform/unique_fd.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

constexpr const char* kTemporarySuffix = ".tmp-";
constexpr std::size_t kTemporaryLetters = 6;  // OwnedFolder::Write's six letters or digits

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw FileError(what + " " + path + ": " + std::strerror(error), error);
}

}  // namespace

std::vector<std::uint8_t> readFileBytes(const std::string& path, std::size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer before fstat can refuse it.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        fail("cannot open", path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail("cannot read", path, errno);
    if (S_ISDIR(info.st_mode))
        fail("cannot read", path, EISDIR);
    if (!S_ISREG(info.st_mode))
        throw Error("cannot read " + path + ": not a regular file");
    const std::size_t size = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
    const std::size_t wanted = std::min(size, maxBytes);
    std::vector<std::uint8_t> bytes(wanted);
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, wanted - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot read", path, errno);
        }
        if (n == 0)
            break;  // the file shrank while it was read
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    OwnedFolder::At(folder).Write(path.substr(slash == std::string::npos ? 0 : slash + 1), bytes);
}

int removeStaleTemporaries(const std::string& path, std::chrono::system_clock::time_point before) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + kTemporarySuffix;
    struct DirCloser {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return 0;
    const auto ours = [&prefix](const std::string& name) {
        return name.size() == prefix.size() + kTemporaryLetters && name.compare(0, prefix.size(), prefix) == 0 &&
               std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
    };
    const std::int64_t limit = std::chrono::duration_cast<std::chrono::nanoseconds>(before.time_since_epoch()).count();
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!ours(name))
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
            continue;
        const std::int64_t changed = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
        if (changed < limit && ::unlinkat(::dirfd(dir.get()), name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

}  // namespace kalidor
