#pragma once
// The EXIF orientation tag of JPEG pictures and the turn or mirror it asks for.
//
// Orientation values, as the picture must be transformed to be shown upright:
//   1 as stored           5 transpose (mirror along the top-left to bottom-right diagonal)
//   2 mirror horizontally 6 rotate 90 degrees clockwise
//   3 rotate 180 degrees  7 transverse (mirror along the top-right to bottom-left diagonal)
//   4 mirror vertically   8 rotate 90 degrees counter-clockwise

#include "imaging/bitmap.h"

#include <cstdint>
#include <span>

namespace kalidor {

// The orientation (1..8) held by the payload of an APP1 segment (the bytes after the segment
// length, starting "Exif\0\0"). Anything missing, malformed or out of range gives 1: a broken
// tag never stops a picture from loading.
int exifOrientation(std::span<const std::uint8_t> app1Payload) noexcept;

// The picture turned upright for the orientation; 5 to 8 swap width and height. A bitmap of
// another format is converted to 24 bits first. Orientations outside 1..8 leave it as it is.
Bitmap applyExifOrientation(const Bitmap& bitmap, int orientation);

}  // namespace kalidor
