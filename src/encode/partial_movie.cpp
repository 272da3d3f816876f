#include "encode/partial_movie.h"

#include "encode/encoder_entry.h"
#include "platform/error.h"
#include "platform/folder_lock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool isLetter(char c) { return c != '\0' && std::strchr(kLetters, c) != nullptr; }

// Whether `path` still names the file open as `fd`, not one made under its name since.
bool stillNamed(int fd, const std::string& path) {
    struct stat held {}, named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// A folder's files are on disk only once the folder is: flushed after a rename into it. A
// folder that cannot be flushed changes nothing of the movie, which is in place.
void flushFolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const UniqueFd fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());
}

}  // namespace

int RemoveAbandonedPartialMovies(const std::string& movie) {
    const PartialOutputTemplate pattern = PartialOutputTemplateFor(movie);
    const std::filesystem::path model(pattern.path);
    const std::string modelName = model.filename().string();
    const std::size_t xs = modelName.size() - static_cast<std::size_t>(pattern.suffixLength) - 6;
    const std::filesystem::path folder = model.parent_path().empty() ? std::filesystem::path(".") : model.parent_path();
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& entry = it->path();
        const std::string name = entry.filename().string();
        if (name.size() != modelName.size() || name.compare(0, xs, modelName, 0, xs) != 0 ||
            name.compare(xs + 6, std::string::npos, modelName, xs + 6) != 0 ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(xs),
                         name.begin() + static_cast<std::ptrdiff_t>(xs + 6), isLetter))
            continue;
        const std::string path = entry.string();
        // Not through a link; a FIFO must not block the open.
        const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat info {};
        if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        std::string error;
        if (LockExclusively(fd.get(), path, error) != LockState::Acquired || !stillNamed(fd.get(), path))
            continue;
        removed += ::unlink(path.c_str()) == 0;
    }
    return removed;
}

PartialMovie::PartialMovie(const std::string& movie) : movie_(movie) {
    RemoveAbandonedPartialMovies(movie);
    const PartialOutputTemplate name = PartialOutputTemplateFor(movie);
    const std::size_t xs = name.path.size() - static_cast<std::size_t>(name.suffixLength) - 6;
    // Made as mkstemps makes its files, but with a new file's mode (0666 less the umask) from
    // open itself: changing the umask to learn it would race with the program's other threads.
    std::random_device random;
    std::string path = name.path;
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = 0; i < 6; ++i)
            path[xs + i] = kLetters[random() % (sizeof kLetters - 1)];
        UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd) {
            if (errno != EEXIST)
                break;
            continue;
        }
        // Locked at once; another export that took it for abandoned in between removes it, so
        // it is no longer at its name and another one is made. Where the file system has no
        // locks, no one can take it for abandoned either.
        std::string error;
        if (LockExclusively(fd.get(), path, error) == LockState::Held || !stillNamed(fd.get(), path)) {
            errno = EEXIST;
            continue;
        }
        path_ = path;
        lock_ = std::move(fd);
        return;
    }
    throw Error("cannot create a partial file beside " + movie + ": " + std::strerror(errno));
}

void PartialMovie::Discard() {
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
    lock_.reset();
}

int PartialMovie::Commit() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat info {};
    const bool empty = ::fstat(fd, &info) == 0 && info.st_size == 0;
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    if (empty)
        return ENODATA;
    if (!synced)
        return syncError;
    if (::rename(path_.c_str(), movie_.c_str()) != 0)
        return errno;
    path_.clear();
    flushFolderOf(movie_);
    lock_.reset();
    return 0;
}

std::string PartialMovieCommitError(const std::string& movie, int error) {
    return error == ENODATA ? "the encoder ended without writing " + movie
                            : "cannot replace " + movie + ": " + std::strerror(error);
}

}  // namespace kalidor
