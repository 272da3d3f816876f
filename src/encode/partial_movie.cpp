#include "encode/partial_movie.h"

#include "encode/encoder_entry.h"
#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {

PartialMovie::PartialMovie(const std::string& movie) : movie_(movie) {
    const PartialOutputTemplate name = PartialOutputTemplateFor(movie);
    const std::size_t xs = name.path.size() - static_cast<std::size_t>(name.suffixLength) - 6;
    // Made as mkstemps makes its files, but with a new file's mode (0666 less the umask) from
    // open itself: changing the umask to learn it would race with the program's other threads.
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string path = name.path;
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = 0; i < 6; ++i)
            path[xs + i] = kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            path_ = path;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    throw Error("cannot create a partial file beside " + movie + ": " + std::strerror(errno));
}

void PartialMovie::Discard() {
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
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
    return 0;
}

std::string PartialMovieCommitError(const std::string& movie, int error) {
    return error == ENODATA ? "the encoder ended without writing " + movie
                            : "cannot replace " + movie + ": " + std::strerror(error);
}

}  // namespace kalidor
