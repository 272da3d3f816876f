#include "encode/partial_movie.h"

#include "encode/encoder_entry.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/folder_lock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

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
    const std::string pattern = PartialOutputTemplateFor(movie).path;
    const std::filesystem::path model(pattern);
    const std::string modelName = model.filename().string();
    const std::size_t xs = modelName.rfind("XXXXXX");
    try {
        folder_.emplace(OwnedFolder::At(model.parent_path().empty() ? "." : model.parent_path().string()));
        for (int attempt = 0; attempt < 100; ++attempt) {
            OwnedFolder::NewFile file = folder_->CreateUnique(modelName.substr(0, xs), modelName.substr(xs + 6));
            const std::string path = folder_->Path() + file.name;
            // Locked at once; another export that took it for abandoned in between removes it, so
            // it is no longer at its name and another one is made. Where the file system has no
            // locks, no one can take it for abandoned either.
            std::string error;
            if (LockExclusively(file.fd.get(), path, error) == LockState::Held || !stillNamed(file.fd.get(), path))
                continue;
            name_ = file.name;
            path_ = path;
            lock_ = std::move(file.fd);
            return;
        }
        throw FileError("no free name", EEXIST);
    } catch (const FileError& error) {
        throw Error("cannot create a partial file beside " + movie + ": " + std::strerror(error.osError()));
    }
}

void PartialMovie::Discard() {
    if (!path_.empty())
        folder_->RemoveFile(name_);
    path_.clear();
    lock_.reset();
}

int PartialMovie::Commit() {
    // By its name: what the encoder wrote there, whatever file it is now.
    const UniqueFd fd(::openat(folder_->Descriptor(), name_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0)
        return errno;
    if (info.st_size == 0)
        return ENODATA;
    if (::fsync(fd.get()) != 0)
        return errno;
    if (const int error = folder_->Rename(name_, std::filesystem::path(movie_).filename().string()))
        return error;
    path_.clear();
    folder_->Sync();
    lock_.reset();
    return 0;
}

std::string PartialMovieCommitError(const std::string& movie, int error) {
    return error == ENODATA ? "the encoder ended without writing " + movie
                            : "cannot replace " + movie + ": " + std::strerror(error);
}

}  // namespace kalidor
