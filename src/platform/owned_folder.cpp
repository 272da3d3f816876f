#include "platform/owned_folder.h"

#include "platform/file_io.h"
#include "platform/folders.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <random>
#include <unistd.h>

namespace kalidor {
namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kAttempts = 100;

std::string randomLetters() {
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string letters(6, ' ');
    for (char& c : letters) c = kLetters[pick(generator)];
    return letters;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies what is left of `from` into `to`; false with errno set on failure.
bool copyContents(int from, int to) {
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!writeAll(to, buffer.data(), static_cast<std::size_t>(n))) return false;
    }
}

// A hard link is not possible here: another file system, or one without links.
bool linkRefused(int error) {
    return error == EXDEV || error == EPERM || error == EMLINK || error == ENOTSUP || error == EOPNOTSUPP ||
           error == ENOSYS;
}

}  // namespace

FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::int64_t>(info.st_dev), static_cast<std::int64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

OwnedFolder OwnedFolder::At(const std::string& path) {
    const std::string folder = withoutTrailingSlashes(path.empty() ? std::string(".") : path);
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        const int error = errno;
        throw FileError("cannot open the folder " + folder + ": " + std::strerror(error), error);
    }
    return OwnedFolder(std::move(fd), folder == "/" ? folder : folder + "/");
}

OwnedFolder OwnedFolder::Own(const std::string& path, mode_t mode) {
    const std::string folder = withoutTrailingSlashes(path);
    const auto slash = folder.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    MakeFolders(parent, mode);
    return At(parent).Folder(folder.substr(slash + 1), mode);
}

std::optional<OwnedFolder> OwnedFolder::OwnIfPresent(const std::string& path) {
    const std::string folder = withoutTrailingSlashes(path);
    const auto slash = folder.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    UniqueFd fd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    return OwnedFolder(std::move(fd), parent == "/" ? parent : parent + "/").FolderIfPresent(folder.substr(slash + 1));
}

OwnedFolder OwnedFolder::Folder(const std::string& name, mode_t mode) const {
    if (::mkdirat(fd_.get(), name.c_str(), mode) != 0 && errno != EEXIST)
        fail("cannot make the folder", name, errno);
    std::optional<OwnedFolder> folder = FolderIfPresent(name);
    if (!folder) fail("cannot open the folder", name, ENOENT);
    return std::move(*folder);
}

std::optional<OwnedFolder> OwnedFolder::FolderIfPresent(const std::string& name) const {
    UniqueFd fd(::openat(fd_.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        const int error = errno;
        if (error == ENOENT) return std::nullopt;
        const auto info = StatOf(name);
        if (info && S_ISLNK(info->st_mode))
            throw FileError(path_ + name + " is a symbolic link: the program does not follow links in its own folders",
                            ELOOP);
        fail("cannot open the folder", name, error);
    }
    return OwnedFolder(std::move(fd), path_ + name + "/");
}

std::optional<struct stat> OwnedFolder::StatOf(const std::string& name) const {
    struct stat info {};
    if (::fstatat(fd_.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return info;
}

bool OwnedFolder::HasFile(const std::string& name) const {
    const auto info = StatOf(name);
    return info && S_ISREG(info->st_mode);
}

std::vector<std::uint8_t> OwnedFolder::Read(const std::string& name) const {
    // O_NONBLOCK: a FIFO must not wait for a writer before fstat refuses it.
    UniqueFd fd(::openat(fd_.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) fail("cannot open", name, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) fail("cannot read", name, errno);
    if (!S_ISREG(info.st_mode)) fail("cannot read", name, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot read", name, errno);
        }
        if (n == 0) break;  // the file shrank while it was read
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

OwnedFolder::NewFile OwnedFolder::CreateUnique(const std::string& prefix, const std::string& suffix) const {
    int error = EEXIST;
    for (int attempt = 0; attempt < kAttempts && error == EEXIST; ++attempt) {
        std::string name = prefix + randomLetters() + suffix;
        UniqueFd fd(::openat(fd_.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd) return {std::move(name), std::move(fd)};
        error = errno;
    }
    fail("cannot create a file in", prefix + "XXXXXX" + suffix, error);
}

void OwnedFolder::Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
    NewFile temp;
    try {
        temp = CreateUnique(name + ".tmp-", "");
    } catch (const FileError& error) {
        fail("cannot create a temporary file for", name, error.osError());
    }
    const auto abandon = [&](int error) {
        temp.fd.reset();
        ::unlinkat(fd_.get(), temp.name.c_str(), 0);
        fail("cannot write", name, error);
    };
    if (!writeAll(temp.fd.get(), bytes.data(), bytes.size()) || ::fsync(temp.fd.get()) != 0) abandon(errno);
    if (::close(temp.fd.release()) != 0) abandon(errno);
    if (const int error = Rename(temp.name, name)) {
        ::unlinkat(fd_.get(), temp.name.c_str(), 0);
        fail("cannot replace", name, error);
    }
    Sync();
}

FileIdentity OwnedFolder::Place(const std::string& source, const std::string& name) const {
    UniqueFd from(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!from || ::fstat(from.get(), &info) != 0) {
        const int error = errno;
        throw FileError("cannot read " + source + ": " + std::strerror(error), error);
    }
    if (!S_ISREG(info.st_mode)) throw FileError("cannot read " + source + ": not a regular file", EINVAL);
    std::string temp;
    int error = EEXIST;
    for (int attempt = 0; attempt < kAttempts && error == EEXIST; ++attempt) {
        temp = name + ".tmp-" + randomLetters();
        error = ::linkat(AT_FDCWD, source.c_str(), fd_.get(), temp.c_str(), 0) == 0 ? 0 : errno;
    }
    const auto abandon = [&](int why) {
        ::unlinkat(fd_.get(), temp.c_str(), 0);
        fail("cannot write", name, why);
    };
    if (error == 0) {
        // The name may have been given to another file since it was opened.
        const auto linked = StatOf(temp);
        if (!linked || linked->st_ino != info.st_ino || linked->st_dev != info.st_dev) abandon(ESTALE);
    } else if (linkRefused(error)) {
        NewFile copy = CreateUnique(name + ".tmp-", "");
        temp = copy.name;
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        if (!copyContents(from.get(), copy.fd.get()) || ::futimens(copy.fd.get(), times) != 0 ||
            ::fsync(copy.fd.get()) != 0)
            abandon(errno);
    } else {
        fail("cannot write", name, error);
    }
    if (const int why = Rename(temp, name)) abandon(why);
    Sync();
    const auto placed = StatOf(name);
    if (!placed) fail("cannot read", name, errno);
    return IdentityOf(*placed);
}

int OwnedFolder::Rename(const std::string& from, const std::string& to, bool replace) const {
    if (replace) return ::renameat(fd_.get(), from.c_str(), fd_.get(), to.c_str()) == 0 ? 0 : errno;
    if (::renameat2(fd_.get(), from.c_str(), fd_.get(), to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without RENAME_NOREPLACE: the name is checked first (one writer per folder).
    if (StatOf(to)) return EEXIST;
    return ::renameat(fd_.get(), from.c_str(), fd_.get(), to.c_str()) == 0 ? 0 : errno;
}

bool OwnedFolder::RemoveFile(const std::string& name) const {
    const auto info = StatOf(name);
    if (!info) return errno == ENOENT;
    return S_ISREG(info->st_mode) && (::unlinkat(fd_.get(), name.c_str(), 0) == 0 || errno == ENOENT);
}

bool OwnedFolder::RemoveEmptyFolder(const std::string& name) const {
    return ::unlinkat(fd_.get(), name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
}

std::vector<std::string> OwnedFolder::FileNames() const { return namesOf(false); }
std::vector<std::string> OwnedFolder::FolderNames() const { return namesOf(true); }

std::vector<std::string> OwnedFolder::namesOf(bool folders) const {
    std::vector<std::string> names;
    // A descriptor of its own: reading the entries moves its position.
    const int fd = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return names;
    struct Closer {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    std::unique_ptr<DIR, Closer> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const auto info = StatOf(name);
        if (info && (folders ? S_ISDIR(info->st_mode) : S_ISREG(info->st_mode))) names.push_back(name);
    }
    return names;
}

void OwnedFolder::Sync() const { ::fsync(fd_.get()); }

void OwnedFolder::fail(const std::string& what, const std::string& name, int error) const {
    throw FileError(what + " " + path_ + name + ": " + std::strerror(error), error);
}

}  // namespace kalidor
