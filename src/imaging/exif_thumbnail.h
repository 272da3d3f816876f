#pragma once
// The small JPEG of itself that a camera writes into a photo's EXIF data (the second IFD), used
// as the photo's thumbnail where it is good enough, which spares decoding the photo.

#include "imaging/bitmap.h"
#include "imaging/jpeg_head.h"

#include <cstdint>
#include <optional>
#include <span>

namespace kalidor {

// The JPEG bytes of the thumbnail in an APP1 payload (the bytes after the segment length,
// starting "Exif\0\0"): the span its IFD1 offset and length name, which lies inside the payload.
// Empty when there is none, it is not JPEG-compressed, or an offset or length points outside.
std::span<const std::uint8_t> exifThumbnailJpeg(std::span<const std::uint8_t> app1Payload) noexcept;

// The photo's EXIF thumbnail turned upright by the photo's orientation and fitted (shrunk) to
// the size the photo itself would take fitted into a side x side box, never enlarged past its own.
// nullopt, to decode the photo instead, when there is no thumbnail, it does not decode, its
// longer side is shorter than that size's, or it is not the same picture: its sides differ by
// more than a pixel from the photo's fitted into the thumbnail's size (a 4:3 thumbnail with bars
// for a 16:9 photo is not).
std::optional<Bitmap> embeddedThumbnail(const jpeg::Head& photo, int side);

}  // namespace kalidor
