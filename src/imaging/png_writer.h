#pragma once
// PNG writing through libpng, for the images the program ships with its user interface and the
// entries of the thumbnail cache.
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

// zlib's compression levels: the smallest files for what the program ships, and the fastest
// for a file made while someone waits for it (a thumbnail cache entry). On a smooth picture the
// smallest costs 30 ms for a 128-pixel thumbnail, more than decoding a photo for it, and the
// fastest half a millisecond for half as many bytes again; on a detailed one the two are close.
inline constexpr int kSmallestFile = 9;
inline constexpr int kFastestFile = 1;

// The text chunks are written before the pixels, in their order.
std::vector<std::uint8_t> encode(const Bitmap& bitmap, const std::vector<TextChunk>& text = {},
                                 int compressionLevel = kSmallestFile);

// The key/value pairs of the tEXt chunks of PNG bytes (compressed and international text is
// skipped); nullopt when the bytes are not a complete, well-formed PNG chunk sequence.
std::optional<std::map<std::string, std::string>> readText(std::span<const std::uint8_t> bytes);

// Encodes and writes the file atomically; errors carry the file name.
void writeFile(const Bitmap& bitmap, const std::string& path);

}  // namespace kalidor::png
