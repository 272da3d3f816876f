#pragma once
// PNG writing through libpng, for the images the program ships with its user interface.
// 32-bit bitmaps are written as RGBA with their fourth byte as straight (not premultiplied)
// alpha; every other format as 8-bit RGB. libpng's errors become kalidor::Error ("PNG: ...").

#include "platform/bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor::png {

std::vector<std::uint8_t> encode(const Bitmap& bitmap);

// Encodes and writes the file atomically; errors carry the file name.
void writeFile(const Bitmap& bitmap, const std::string& path);

}  // namespace kalidor::png
