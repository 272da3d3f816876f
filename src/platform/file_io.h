#pragma once
// Whole-file reads and safe whole-file writes.

#include "platform/error.h"

#include <chrono>
#include <cstdint>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace kalidor {

// An error of the OS on a file or folder, with its error number (ENOSPC: the disk is full).
class FileError : public Error {
public:
    FileError(const std::string& message, int osError) : Error(message), osError_(osError) {}
    int osError() const noexcept { return osError_; }

private:
    int osError_;
};

// Reads a regular file whole, or its first maxBytes. Anything else (a folder, a FIFO, a
// device) is refused without blocking, and no more than the size the file had when it was
// opened is read, so a growing file cannot make the read endless. Throws FileError naming
// the file and the reason.
std::vector<std::uint8_t> readFileBytes(const std::string& path, std::size_t maxBytes = SIZE_MAX);

// How many leading bytes decodeFile shows `accepts` before it reads the rest.
inline constexpr std::size_t kSignatureBytes = 16;

// Decodes a file with `decode(bytes)`. Only when `accepts(first bytes)` says the file is of the
// decoder's kind is the whole file read; otherwise the decoder sees just the first bytes and
// gives its own "not this kind" message. A decoder's kalidor::Error gets the file name
// appended ("BMP: pixel data truncated (a.bmp)").
template <typename Decode, typename Accepts>
auto decodeFile(const std::string& path, Decode decode, Accepts accepts) {
    auto named = [&path](const Error& e) { return Error(std::string(e.what()) + " (" + path + ")"); };
    std::vector<std::uint8_t> bytes = readFileBytes(path, kSignatureBytes);
    if (!accepts(std::span<const std::uint8_t>(bytes))) {
        try {
            decode(std::span<const std::uint8_t>(bytes));
        } catch (const Error& e) {
            throw named(e);
        }
        throw Error("not a picture file of this kind (" + path + ")");
    }
    bytes = readFileBytes(path);
    try {
        return decode(std::span<const std::uint8_t>(bytes));
    } catch (const Error& e) {
        throw named(e);
    }
}

// Writes the bytes to a temporary file in the same folder, flushes it and renames it over
// `path`, so an existing file is replaced whole or not at all, with a new file's mode (0666
// less the umask). Throws FileError naming the file and the reason; the temporary file is
// removed on failure. (OwnedFolder::Write, for a folder the caller does not hold open.)
void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Removes the temporary files of writeFileAtomically for `path` (its name + ".tmp-" and six
// letters or digits, in the same folder) last changed before `before`: a write that was killed
// leaves one behind, and a write running now has a newer one. Only regular files are removed;
// failures are passed over. Returns how many were removed.
int removeStaleTemporaries(const std::string& path, std::chrono::system_clock::time_point before);

}  // namespace kalidor
