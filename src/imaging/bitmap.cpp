#include "imaging/bitmap.h"

#include "platform/error.h"

#include <string>

namespace kalidor {

bool Bitmap::isValidFormat(int bitsPerPixel) noexcept {
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

std::size_t Bitmap::strideFor(int width, int bitsPerPixel) noexcept {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 7) / 8;
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel) {
    if (!isValidFormat(bitsPerPixel))
        throw Error("Bitmap: unsupported pixel format of " + std::to_string(bitsPerPixel) + " bits");
    if (width < 0 || height < 0)
        throw Error("Bitmap: negative size " + std::to_string(width) + " x " + std::to_string(height));
    if (static_cast<std::int64_t>(width) * height > kMaxBitmapPixels)
        throw Error("Bitmap: " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is more than the limit of 256 megapixels");
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    stride_ = strideFor(width, bitsPerPixel);
    pixels_.assign(stride_ * static_cast<std::size_t>(height), 0);
    if (bitsPerPixel <= 8)
        palette_.assign(std::size_t{1} << bitsPerPixel, PaletteEntry{});
}

void Bitmap::fillBgr24(Color color) {
    if (bitsPerPixel_ != 24)
        throw Error("Bitmap: fillBgr24 needs a 24-bit bitmap");
    const std::uint8_t b = blueOf(color), g = greenOf(color), r = redOf(color);
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* p = row(y);
        for (int x = 0; x < width_; ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

Bitmap Bitmap::toBgr24() const {
    if (bitsPerPixel_ == 24)
        return *this;
    Bitmap out(width_, height_, 24);
    auto putIndex = [this](std::uint8_t* d, unsigned index) {
        if (index < palette_.size()) {
            d[0] = palette_[index].blue;
            d[1] = palette_[index].green;
            d[2] = palette_[index].red;
        }  // else stays black
    };
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* s = row(y);
        std::uint8_t* d = out.row(y);
        for (int x = 0; x < width_; ++x, d += 3) {
            switch (bitsPerPixel_) {
            case 1: putIndex(d, (s[x >> 3] >> (7 - (x & 7))) & 1u); break;
            case 4: putIndex(d, (x & 1) ? (s[x >> 1] & 0x0Fu) : (s[x >> 1] >> 4)); break;
            case 8: putIndex(d, s[x]); break;
            case 16: {
                const unsigned v = s[2 * x] | (s[2 * x + 1] << 8);
                // Widen 5 bits to 8 by repeating the top bits, so 31 becomes 255.
                auto widen = [](unsigned c) { return static_cast<std::uint8_t>((c << 3) | (c >> 2)); };
                d[0] = widen(v & 0x1F);
                d[1] = widen((v >> 5) & 0x1F);
                d[2] = widen((v >> 10) & 0x1F);
                break;
            }
            case 32:
                d[0] = s[4 * x];
                d[1] = s[4 * x + 1];
                d[2] = s[4 * x + 2];
                break;
            default: break;
            }
        }
    }
    return out;
}

}  // namespace kalidor
