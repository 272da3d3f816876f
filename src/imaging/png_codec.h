#pragma once
// PNG pictures through libpng: every colour type and bit depth, interlaced or not, decoded to a
// 24-bit bitmap. Transparent pixels are composed over black, the colour of the movie frame.
// libpng's errors become kalidor::Error ("PNG: <libpng's message>"); no longjmp crosses a C++
// frame. Truncated data and pictures of more than `maxPixels` pixels are errors.

#include "imaging/bitmap.h"

#include <cstdint>
#include <span>
#include <string>

namespace kalidor::png {

Bitmap decode(std::span<const std::uint8_t> bytes, std::int64_t maxPixels = kMaxBitmapPixels);

// Reads and decodes a file; errors carry the file name.
Bitmap readFile(const std::string& path);

}  // namespace kalidor::png
