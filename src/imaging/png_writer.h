#pragma once
// PNG writing through libpng, for the images the program ships with its user interface.
// 32-bit bitmaps are written as RGBA with their fourth byte as straight (not premultiplied)
// alpha; every other format as 8-bit RGB. libpng's errors become kalidor::Error ("PNG: ...").

#include "imaging/bitmap.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kalidor::png {

// A tEXt chunk: a Latin-1 key of 1 to 79 bytes and its Latin-1 value.
struct TextChunk {
    std::string key;
    std::string value;
};

// The text chunks are written before the pixels, in their order.
std::vector<std::uint8_t> encode(const Bitmap& bitmap, const std::vector<TextChunk>& text = {});

// The key/value pairs of the tEXt chunks of PNG bytes (compressed and international text is
// skipped); nullopt when the bytes are not a complete, well-formed PNG chunk sequence.
std::optional<std::map<std::string, std::string>> readText(std::span<const std::uint8_t> bytes);

// Encodes and writes the file atomically; errors carry the file name.
void writeFile(const Bitmap& bitmap, const std::string& path);

}  // namespace kalidor::png
