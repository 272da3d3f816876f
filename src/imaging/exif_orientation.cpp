#include "imaging/exif_orientation.h"

#include "imaging/exif_tiff.h"

#include <cstddef>
#include <optional>

namespace kalidor {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;

}  // namespace

int exifOrientation(std::span<const std::uint8_t> app1Payload) noexcept {
    const std::optional<detail::ExifTiff> tiff = detail::openExifTiff(app1Payload);
    if (!tiff)
        return 1;
    const detail::TiffReader& reader = tiff->reader;
    const std::optional<std::size_t> count = reader.entryCount(tiff->firstIfd);
    if (!count)
        return 1;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::optional<std::size_t> entry = reader.entry(tiff->firstIfd, i);
        if (!entry)
            return 1;
        if (reader.u16(*entry) != kOrientationTag)
            continue;
        // A single SHORT sits in the first two bytes of the value field.
        if (reader.u16(*entry + 2) != detail::kTiffShort || reader.u32(*entry + 4) < 1)
            return 1;
        const int value = reader.u16(*entry + 8);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

Bitmap applyExifOrientation(const Bitmap& bitmap, int orientation) {
    if (bitmap.bitsPerPixel() != 24)
        return applyExifOrientation(bitmap.toBgr24(), orientation);
    if (orientation < 2 || orientation > 8)
        return bitmap;
    const int w = bitmap.width(), h = bitmap.height();
    const bool swap = orientation >= 5;
    Bitmap out(swap ? h : w, swap ? w : h, 24);

    // Source x = ax*u + bx*v + cx and y = ay*u + by*v + cy for output pixel (u, v).
    struct Map { int ax, bx, cx, ay, by, cy; };
    Map m{};
    switch (orientation) {
    case 2: m = {-1, 0, w - 1, 0, 1, 0}; break;
    case 3: m = {-1, 0, w - 1, 0, -1, h - 1}; break;
    case 4: m = {1, 0, 0, 0, -1, h - 1}; break;
    case 5: m = {0, 1, 0, 1, 0, 0}; break;
    case 6: m = {0, 1, 0, -1, 0, h - 1}; break;
    case 7: m = {0, -1, w - 1, -1, 0, h - 1}; break;
    case 8: m = {0, -1, w - 1, 1, 0, 0}; break;
    default: break;
    }
    const auto stride = static_cast<std::ptrdiff_t>(bitmap.stride());
    const std::ptrdiff_t stepU = m.ax * 3 + m.ay * stride;
    const std::ptrdiff_t stepV = m.bx * 3 + m.by * stride;
    const std::uint8_t* src = bitmap.data();
    std::ptrdiff_t rowStart = m.cx * 3 + m.cy * stride;
    for (int v = 0; v < out.height(); ++v, rowStart += stepV) {
        std::uint8_t* d = out.row(v);
        std::ptrdiff_t s = rowStart;
        for (int u = 0; u < out.width(); ++u, s += stepU, d += 3) {
            d[0] = src[s];
            d[1] = src[s + 1];
            d[2] = src[s + 2];
        }
    }
    return out;
}

}  // namespace kalidor
