#pragma once
// Photos as cameras write them, made in memory: a JPEG whose EXIF APP1 segment holds the
// orientation in IFD0 and a JPEG thumbnail in IFD1. Header-only, for the benchmarks too.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kalidor::test {

// Where the payload made by exifWithThumbnail keeps the fields a test may damage (little-endian
// 32-bit values): the link from IFD0 to IFD1, and the thumbnail's offset and length.
inline constexpr std::size_t kIfd1LinkAt = 28;
inline constexpr std::size_t kThumbnailOffsetAt = 54;
inline constexpr std::size_t kThumbnailLengthAt = 66;

inline void putLittle(std::vector<std::uint8_t>& b, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void setLittle32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The APP1 payload ("Exif\0\0", then little-endian TIFF): IFD0 with the orientation, IFD1 with
// a JPEG-compressed thumbnail of these bytes, which follow it.
inline std::vector<std::uint8_t> exifWithThumbnail(int orientation, const std::vector<std::uint8_t>& thumbnail) {
    std::vector<std::uint8_t> b{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
    putLittle(b, 8, 4);  // IFD0, counted from the TIFF header
    const auto entry = [&b](unsigned tag, unsigned type, std::uint32_t value) {
        putLittle(b, tag, 2);
        putLittle(b, type, 2);
        putLittle(b, 1, 4);
        putLittle(b, value, 4);  // a SHORT sits in the first two bytes, little-endian
    };
    putLittle(b, 1, 2);
    entry(0x0112, 3, static_cast<std::uint32_t>(orientation));
    putLittle(b, 26, 4);  // IFD1 right after
    putLittle(b, 3, 2);
    entry(0x0103, 3, 6);  // JPEG compression
    entry(0x0201, 4, 68);
    entry(0x0202, 4, static_cast<std::uint32_t>(thumbnail.size()));
    putLittle(b, 0, 4);
    b.insert(b.end(), thumbnail.begin(), thumbnail.end());
    return b;
}

// The JPEG with an APP1 segment holding `payload` right after its start marker, where cameras
// put it.
inline std::vector<std::uint8_t> withApp1(std::vector<std::uint8_t> jpeg, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> segment{0xFF, 0xE1, static_cast<std::uint8_t>((payload.size() + 2) >> 8),
                                      static_cast<std::uint8_t>(payload.size() + 2)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

}  // namespace kalidor::test
