#pragma once
// BMP pictures: a reader for every depth and variant that Windows writes (1, 4, 8, 16, 24 and
// 32 bits; core, info and V4/V5 headers; palettes; bottom-up and top-down rows; bit fields;
// RLE4 and RLE8) and a 24-bit writer.
//
// The reader checks every header field, offset and size against the data before reading or
// allocating; malformed or truncated data and pictures of more than `maxPixels` pixels raise
// kalidor::Error ("BMP: ...").
//
// Where files go wrong in ways Windows tolerates, the reader follows it:
//   - Uncompressed data must hold every byte read; only the padding of the last row may be
//     missing.
//   - The pixel data starts at the file header's offset. An offset inside the headers (or the
//     bit-field masks) or beyond the end of the file is an error; one inside the palette
//     shortens the palette to the entries before it.
//   - A palette shorter than 2^bits, or than the colour count, is padded with black; a colour
//     count above 2^bits is clamped.
//   - RLE: pixels of a run past the end of a row are dropped, a delta or end-of-line below the
//     last row ends the picture, and data that stops without an end-of-bitmap mark keeps what
//     was decoded. Pixels never written keep palette index 0. Top-down RLE is an error, and
//     so is RLE data too short to hold the picture (more than 256 pixels a byte, beyond the
//     floor of PlausiblePixelCount), which would cost memory no real file does.
//   - A picture of zero width or height decodes to an empty 0 x 0 bitmap of its format.
//   - Embedded JPEG or PNG data and OS/2 Huffman and RLE24 compression are refused.

#include "imaging/bitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor::bmp {

// Decodes a complete BMP file held in memory. Paletted pictures stay paletted (1, 4 or 8 bits,
// RLE included), 24-bit stays 24-bit, 16-bit 5-5-5 stays 16-bit and 32-bit stays 32-bit;
// other bit-field layouts become 24-bit.
Bitmap decode(std::span<const std::uint8_t> bytes, std::int64_t maxPixels = kMaxBitmapPixels);

// Reads and decodes a file; errors carry the file name.
Bitmap readFile(const std::string& path);

// Encodes as an uncompressed 24-bit bottom-up BMP (BITMAPFILEHEADER + BITMAPINFOHEADER);
// bitmaps of other formats are converted to 24 bits first.
std::vector<std::uint8_t> encode(const Bitmap& bitmap);

// Encodes and writes the file atomically (see writeFileAtomically).
void writeFile(const Bitmap& bitmap, const std::string& path);

}  // namespace kalidor::bmp
