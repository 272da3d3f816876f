#pragma once
// copy.dat, the recovery copy's own file: a signature line, the MD5 of the rest, and then the
// project's folder, the time of the last edit, what project.dat was when the edits began, the
// picture copies made since, every file the copy keeps in its pictures/ folder, and the project
// as a save would write it (project.dat's own bytes).

#include "platform/owned_folder.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor::rules {

// A file as it stood: whether it existed, its size and its modification time.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// A file of the copy's pictures/ folder, named here so that nothing but what the copy wrote is
// ever removed from there. A kept one holds the picture copy `copy` of the edits: `stored` is
// the file as it was put there, `source` the project's copy it came from (the same file when it
// is a hard link). One not kept is the copy's own file to remove: a picture the edits no longer
// use, or one being put in place.
struct StoredPicture {
    std::string name;
    std::string copy;  // the project's picture copy it keeps

    bool kept = false;
    FileIdentity source, stored;
    bool operator==(const StoredPicture&) const = default;
};

struct RecoveryCopyFile {
    std::string projectDir;  // ends in '/'
    std::int64_t editedAt = 0;
    FileStamp saved;
    std::vector<std::string> copies;
    std::vector<StoredPicture> stored;
    std::vector<std::uint8_t> project;
    bool operator==(const RecoveryCopyFile&) const = default;
};

std::vector<std::uint8_t> EncodeRecoveryCopy(const RecoveryCopyFile& copy);
// Raises kalidor::Error naming `path` when the bytes are not a whole copy of this version.
RecoveryCopyFile DecodeRecoveryCopy(std::span<const std::uint8_t> bytes, const std::string& path);

}  // namespace kalidor::rules
