#include "imaging/exif_orientation.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace kalidor {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kIfdEntrySize = 12;

// Reads the TIFF data in the byte order its header names; every read is checked against the end.
class TiffReader {
public:
    TiffReader(std::span<const std::uint8_t> data, bool bigEndian) : data_(data), bigEndian_(bigEndian) {}

    bool has(std::size_t offset, std::size_t length) const noexcept {
        return offset <= data_.size() && length <= data_.size() - offset;
    }
    // Callers check has(offset, 2) / has(offset, 4) first.
    std::uint16_t u16(std::size_t offset) const noexcept {
        const unsigned a = data_[offset], b = data_[offset + 1];
        return static_cast<std::uint16_t>(bigEndian_ ? (a << 8) | b : (b << 8) | a);
    }
    std::uint32_t u32(std::size_t offset) const noexcept {
        const std::uint32_t a = u16(offset), b = u16(offset + 2);
        return bigEndian_ ? (a << 16) | b : (b << 16) | a;
    }

private:
    std::span<const std::uint8_t> data_;
    bool bigEndian_;
};

}  // namespace

int exifOrientation(std::span<const std::uint8_t> app1Payload) noexcept {
    static constexpr std::array<std::uint8_t, 6> kExifHeader{'E', 'x', 'i', 'f', 0, 0};
    if (app1Payload.size() < kExifHeader.size() ||
        std::memcmp(app1Payload.data(), kExifHeader.data(), kExifHeader.size()) != 0)
        return 1;
    // Offsets inside EXIF count from the start of the TIFF header.
    const std::span<const std::uint8_t> tiff = app1Payload.subspan(kExifHeader.size());
    if (tiff.size() < 8)
        return 1;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return 1;
    const TiffReader reader(tiff, bigEndian);
    if (reader.u16(2) != 42)
        return 1;
    const std::size_t ifd = reader.u32(4);
    if (!reader.has(ifd, 2))
        return 1;
    const std::size_t count = reader.u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + i * kIfdEntrySize;
        if (!reader.has(entry, kIfdEntrySize))
            return 1;
        if (reader.u16(entry) != kOrientationTag)
            continue;
        // A single SHORT sits in the first two bytes of the value field.
        if (reader.u16(entry + 2) != kTypeShort || reader.u32(entry + 4) < 1)
            return 1;
        const int value = reader.u16(entry + 8);
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
