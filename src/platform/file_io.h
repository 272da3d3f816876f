#pragma once
// Whole-file reads and safe whole-file writes.

#include "platform/error.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor {

// Reads the whole file. Throws kalidor::Error naming the file and the reason.
std::vector<std::uint8_t> readFileBytes(const std::string& path);

// Reads the whole file and decodes it with `decode(bytes)`; a decoder's kalidor::Error gets
// the file name appended ("BMP: pixel data truncated (a.bmp)").
template <typename Decode>
auto decodeFile(const std::string& path, Decode decode) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    try {
        return decode(std::span<const std::uint8_t>(bytes));
    } catch (const Error& e) {
        throw Error(std::string(e.what()) + " (" + path + ")");
    }
}

// Writes the bytes to a temporary file in the same folder, flushes it and renames it over
// `path`, so an existing file is replaced whole or not at all. Throws kalidor::Error naming
// the file and the reason; the temporary file is removed on failure.
void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace kalidor
