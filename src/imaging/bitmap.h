#pragma once
// An owning bitmap: width, height, pixel format of 1, 4, 8, 16, 24 or 32 bits, a palette for the
// paletted formats and rows addressed from the top.
//
// Row layout per format (rows are packed, no padding between rows):
//   1 bit   pixel x is bit 7 - (x mod 8) of byte x div 8, a palette index
//   4 bits  even x is the high nibble, odd x the low nibble of byte x div 2, a palette index
//   8 bits  one palette index per byte
//   16 bits one little-endian word per pixel, 5-5-5 (bit 15 unused): red 14..10, green 9..5, blue 4..0
//   24 bits blue, green, red
//   32 bits blue, green, red, unused
// Colour values (fills, captions) are 0x00BBGGRR, so red is the low byte.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kalidor {

using Color = std::uint32_t;

// No picture of more pixels than this is made; a bigger one is refused before allocation.
inline constexpr std::int64_t kMaxBitmapPixels = 256LL * 1000 * 1000;

// Compressed data can declare far more pixels than it holds (36 KB of JPEG declaring 16000 x
// 16000), and the pixels are allocated before the data is read. Memory is bounded by what the
// file can really hold: a codec refuses a pixel count above both this floor and its own
// pixelsPerByte times the size of the data.
inline constexpr std::int64_t kPixelsAnyDataMayDeclare = 4LL * 1024 * 1024;
constexpr bool PlausiblePixelCount(std::int64_t pixels, std::size_t dataBytes, std::int64_t pixelsPerByte) noexcept {
    return pixels <= kPixelsAnyDataMayDeclare || pixels / pixelsPerByte <= static_cast<std::int64_t>(dataBytes);
}

struct PaletteEntry {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
    bool operator==(const PaletteEntry&) const = default;
};

class Bitmap {
public:
    // An empty 24-bit bitmap of 0 x 0.
    Bitmap() = default;
    // A zero-filled (black, or palette index 0) bitmap. Throws kalidor::Error for a negative
    // size, an unknown pixel format or more than kMaxBitmapPixels pixels.
    Bitmap(int width, int height, int bitsPerPixel = 24);

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    int bitsPerPixel() const noexcept { return bitsPerPixel_; }
    bool empty() const noexcept { return width_ == 0 || height_ == 0; }
    std::size_t stride() const noexcept { return stride_; }

    std::uint8_t* row(int y) noexcept { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
    const std::uint8_t* row(int y) const noexcept { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
    std::uint8_t* data() noexcept { return pixels_.data(); }
    const std::uint8_t* data() const noexcept { return pixels_.data(); }
    std::size_t byteSize() const noexcept { return pixels_.size(); }

    // Paletted formats carry up to 2^bits entries; other formats keep it empty.
    std::vector<PaletteEntry>& palette() noexcept { return palette_; }
    const std::vector<PaletteEntry>& palette() const noexcept { return palette_; }

    // A copy in 24-bit blue, green, red. Palette indices beyond the palette become black.
    Bitmap toBgr24() const;

    // Sets every pixel of a 24-bit bitmap to the colour (0x00BBGGRR).
    void fillBgr24(Color color);

    static std::size_t strideFor(int width, int bitsPerPixel) noexcept;
    static bool isValidFormat(int bitsPerPixel) noexcept;

    bool operator==(const Bitmap&) const = default;

private:
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 24;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> pixels_;
    std::vector<PaletteEntry> palette_;
};

inline std::uint8_t redOf(Color c) noexcept { return static_cast<std::uint8_t>(c & 0xFF); }
inline std::uint8_t greenOf(Color c) noexcept { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
inline std::uint8_t blueOf(Color c) noexcept { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

}  // namespace kalidor
