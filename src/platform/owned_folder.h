#pragma once
// A folder the program writes in, held open by descriptor: the one way files are made, replaced,
// renamed and removed in it.
//
// - Nothing below it is reached through a symbolic link: its subfolders are opened and made
//   with openat(O_NOFOLLOW), and its files are opened with O_NOFOLLOW, so a link planted in a
//   folder's or a file's place is refused, never followed.
// - Files are made by open(O_CREAT | O_EXCL) with a new file's mode (0666 less the umask, which
//   the kernel applies): the umask is never changed, so threads making files side by side each
//   get the user's mode.
// - A file is replaced whole or not at all: written under a temporary name (its name +
//   ".tmp-" and six letters or digits), flushed, renamed over its name, the folder flushed.
// - Removal takes regular files and empty folders only, never what a link points to.
// Failures raise FileError naming the path and the OS's reason.

#include "platform/unique_fd.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace kalidor {

// What tells one file from another: the same device and inode is the same file; a file of the
// same size and modification time is taken as unchanged (a copy carries its source's time).
struct FileIdentity {
    std::int64_t device = 0, inode = 0, size = 0, mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
    bool SameFile(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};
FileIdentity IdentityOf(const struct stat& info);

class OwnedFolder {
public:
    // The folder at `path`, following links on the way: a place the user chose (a project
    // folder, the folder of a movie). Raises FileError when it is not an open-able folder.
    static OwnedFolder At(const std::string& path);
    // The program's own folder at `path`: the folders above it are made where missing
    // (MakeFolders), the folder itself is made with `mode` where missing and must be a real
    // folder, not a link to one.
    static OwnedFolder Own(const std::string& path, mode_t mode);
    // As Own, but nothing is made: nullopt when there is no such folder.
    static std::optional<OwnedFolder> OwnIfPresent(const std::string& path);

    // The subfolder `name`: a real folder, never a link (FileError, ELOOP or ENOTDIR). Made
    // with `mode` where missing.
    OwnedFolder Folder(const std::string& name, mode_t mode) const;
    // As Folder, but nothing is made: nullopt when there is nothing of that name.
    std::optional<OwnedFolder> FolderIfPresent(const std::string& name) const;

    // Ends in '/'.
    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_.get(); }

    // What is at `name` itself (a link is not followed); nullopt when there is nothing.
    std::optional<struct stat> StatOf(const std::string& name) const;
    bool HasFile(const std::string& name) const;

    // A regular file's bytes.
    std::vector<std::uint8_t> Read(const std::string& name) const;
    // Replaces `name` with the bytes, whole or not at all.
    void Write(const std::string& name, std::span<const std::uint8_t> bytes) const;
    // Puts the regular file at `source` in as `name`, whole or not at all: a hard link where the
    // file system allows one, else a copy carrying the source's modification time. Returns the
    // identity of the file now at `name`.
    FileIdentity Place(const std::string& source, const std::string& name) const;

    // A new, empty file of a free name prefix + six letters or digits + suffix, open for writing.
    struct NewFile {
        std::string name;
        UniqueFd fd;
    };
    NewFile CreateUnique(const std::string& prefix, const std::string& suffix) const;

    // Renames `from` to `to` in this folder, replacing what is at `to` unless `replace` is
    // false (then EEXIST when `to` is taken). Returns 0 or the errno.
    int Rename(const std::string& from, const std::string& to, bool replace = true) const;
    // Removes `name` when it is a regular file; true when no file of that name is left.
    bool RemoveFile(const std::string& name) const;
    // Removes `name` when it is an empty folder; true when it is gone.
    bool RemoveEmptyFolder(const std::string& name) const;
    // The names of the regular files, or of the folders, in it (not "." and "..").
    std::vector<std::string> FileNames() const;
    std::vector<std::string> FolderNames() const;
    // Flushes the folder's entries (after a rename into it).
    void Sync() const;

private:
    OwnedFolder(UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}
    std::vector<std::string> namesOf(bool folders) const;
    [[noreturn]] void fail(const std::string& what, const std::string& name, int error) const;

    UniqueFd fd_;
    std::string path_;
};

}  // namespace kalidor
