#pragma once
// JPEG pictures through libjpeg-turbo: decoding to 24-bit and baseline colour encoding.
// libjpeg's errors become kalidor::Error ("JPEG: <libjpeg's message>"); no longjmp crosses a
// C++ frame. Truncated data (premature end of the file) is an error, as are pictures of more
// than `maxPixels` pixels or more than 1024 pixels a byte of the file (see PlausiblePixelCount),
// which are refused before any pixel memory is allocated, and progressive files of more than 500
// scans. libjpeg's other warnings (corrupt data it can decode around) are ignored.

#include "imaging/bitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor::jpeg {

struct DecodeOptions {
    // Turn the picture upright by its EXIF orientation tag, as picture viewers show it.
    bool applyExifOrientation = true;
    std::int64_t maxPixels = kMaxBitmapPixels;
    // When both are set, the picture is wanted only fitted into this box (after orientation), as
    // for a thumbnail: it is decoded at the smallest DCT scale (1/2, 1/4 or 1/8) whose size still
    // covers the fitted size, which is several times faster. The result is then larger than or
    // equal to the fitted size, never the box's exact fit.
    int fitWidth = 0;
    int fitHeight = 0;
};

// Decodes to a 24-bit bitmap (greyscale and CMYK pictures are converted).
Bitmap decode(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});

// Reads and decodes a file; errors carry the file name.
Bitmap readFile(const std::string& path, const DecodeOptions& options = {});

// Encodes a bitmap (converted to 24 bits if needed) as a baseline colour JPEG of the given
// quality (1..100). Throws kalidor::Error for an empty bitmap.
std::vector<std::uint8_t> encode(const Bitmap& bitmap, int quality);

// Encodes and writes the file (plain write, not atomic: frames are written once).
void writeFile(const Bitmap& bitmap, const std::string& path, int quality);

}  // namespace kalidor::jpeg
