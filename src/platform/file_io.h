#pragma once
// Whole-file reads and safe whole-file writes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor {

// Reads the whole file. Throws kalidor::Error naming the file and the reason.
std::vector<std::uint8_t> readFileBytes(const std::string& path);

// Writes the bytes to a temporary file in the same folder, flushes it and renames it over
// `path`, so an existing file is replaced whole or not at all. Throws kalidor::Error naming
// the file and the reason; the temporary file is removed on failure.
void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace kalidor
