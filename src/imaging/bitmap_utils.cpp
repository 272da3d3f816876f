#include "imaging/bitmap_utils.h"

#include "imaging/resample_detail.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kalidor {

namespace detail {

void failAssertion(int line, const std::string& what) {
    throw AssertionFailure("Assertion failure (BitmapUtils, line " + std::to_string(line) + "): " + what);
}

}  // namespace detail

namespace {

// Copies pixels or paints the fill for one pixel format; Bits is the format's size.
template <int Bits>
void remapPixels(const Bitmap& source, Bitmap& out, const void* mappingData, Color fill, RemapFunction map) {
    const int w = source.width();
    const int h = source.height();
    for (int y = 0; y < out.height(); ++y) {
        std::uint8_t* d = out.row(y);
        for (int x = 0; x < out.width(); ++x) {
            const SourcePoint p = map(x, y, mappingData);
            const bool inside = p.x >= 0 && p.x < w && p.y >= 0 && p.y < h;
            const std::uint8_t* s = inside ? source.row(p.y) : nullptr;
            if constexpr (Bits == 1) {
                // Pixel x is bit 7 - (x mod 8) of byte x div 8.
                const unsigned bit = inside ? (s[p.x >> 3] >> (7 - (p.x & 7))) & 1u : fill & 1u;
                d[x >> 3] = static_cast<std::uint8_t>(d[x >> 3] | (bit << (7 - (x & 7))));
            } else if constexpr (Bits == 4) {
                // Even x is the high nibble of byte x div 2.
                const unsigned nibble =
                    inside ? ((p.x & 1) ? s[p.x >> 1] & 0x0Fu : s[p.x >> 1] >> 4) : fill & 0x0Fu;
                d[x >> 1] = static_cast<std::uint8_t>(d[x >> 1] | ((x & 1) ? nibble : nibble << 4));
            } else {
                constexpr int bytes = Bits / 8;
                std::uint8_t* q = d + static_cast<std::size_t>(x) * bytes;
                if (inside) {
                    std::memcpy(q, s + static_cast<std::size_t>(p.x) * bytes, bytes);
                } else if constexpr (Bits == 24) {
                    q[0] = blueOf(fill);
                    q[1] = greenOf(fill);
                    q[2] = redOf(fill);
                } else {
                    // The low bytes of the value, little-endian.
                    for (int k = 0; k < bytes; ++k)
                        q[k] = static_cast<std::uint8_t>(fill >> (8 * k));
                }
            }
        }
    }
}

// The source as 24-bit rows, converted only when it is not 24-bit already.
class Bgr24View {
public:
    explicit Bgr24View(const Bitmap& source) : bitmap_(&source) {
        if (source.bitsPerPixel() != 24) {
            converted_ = source.toBgr24();
            bitmap_ = &converted_;
        }
    }
    const Bitmap& bitmap() const { return *bitmap_; }

private:
    const Bitmap* bitmap_;
    Bitmap converted_;
};

// The cells [i, i + 1] that the interval of each output index covers, with their overlap lengths.
struct AverageAxis {
    std::vector<int> firstCell;
    std::vector<int> offset;  // into weight; offset[o + 1] - offset[o] cells for output o
    std::vector<double> weight;
};

AverageAxis averageAxis(int outputSize, double k) {
    AverageAxis axis;
    axis.firstCell.resize(outputSize);
    axis.offset.resize(static_cast<std::size_t>(outputSize) + 1);
    for (int o = 0; o < outputSize; ++o) {
        const double a = o * k;
        const double b = (o + 1) * k - 0.000001;
        // Floor on both ends; a >= 0 and b < source size keep the cells inside the source.
        const int first = detail::floorToInt(a);
        const int last = detail::floorToInt(b);
        axis.firstCell[o] = first;
        axis.offset[o] = static_cast<int>(axis.weight.size());
        for (int i = first; i <= last; ++i)
            axis.weight.push_back(detail::overlapOf(i, a, b).weight);
    }
    axis.offset[outputSize] = static_cast<int>(axis.weight.size());
    return axis;
}

}  // namespace

Bitmap RemapBitmap(const Bitmap& source, int outputWidth, int outputHeight, const void* mappingData,
                   Color fill, RemapFunction map) {
    KALIDOR_RESAMPLE_REQUIRE(outputWidth >= 1 && outputHeight >= 1,
                             "RemapBitmap needs an output of at least 1 x 1");
    KALIDOR_RESAMPLE_REQUIRE(map != nullptr, "RemapBitmap needs a mapping function");
    Bitmap out(outputWidth, outputHeight, source.bitsPerPixel());
    out.palette() = source.palette();
    switch (source.bitsPerPixel()) {
    case 1: remapPixels<1>(source, out, mappingData, fill, map); break;
    case 4: remapPixels<4>(source, out, mappingData, fill, map); break;
    case 8: remapPixels<8>(source, out, mappingData, fill, map); break;
    case 16: remapPixels<16>(source, out, mappingData, fill, map); break;
    case 24: remapPixels<24>(source, out, mappingData, fill, map); break;
    default: remapPixels<32>(source, out, mappingData, fill, map); break;
    }
    return out;
}

SourcePoint NearestSourcePoint(int x, int y, const void* mappingData) {
    const auto& m = *static_cast<const NearestMapping*>(mappingData);
    KALIDOR_RESAMPLE_REQUIRE(m.outputWidth >= 1 && m.outputHeight >= 1,
                             "NearestSourcePoint needs an output of at least 1 x 1");
    // x * W div W', truncating toward zero; the 64-bit product equals the 32-bit one wherever
    // that does not overflow.
    return {static_cast<int>(std::int64_t{x} * m.sourceWidth / m.outputWidth),
            static_cast<int>(std::int64_t{y} * m.sourceHeight / m.outputHeight)};
}

Bitmap ResizeNearest(const Bitmap& source, int outputWidth, int outputHeight) {
    KALIDOR_RESAMPLE_REQUIRE(!source.empty(), "ResizeNearest needs a source of at least 1 x 1");
    KALIDOR_RESAMPLE_REQUIRE(outputWidth >= 1 && outputHeight >= 1,
                             "ResizeNearest needs an output of at least 1 x 1");
    const NearestMapping mapping{source.width(), source.height(), outputWidth, outputHeight};
    return RemapBitmap(source, outputWidth, outputHeight, &mapping, 0, NearestSourcePoint);
}

Bitmap ResizeAverage(const Bitmap& source, int outputWidth, int outputHeight) {
    KALIDOR_RESAMPLE_REQUIRE_AT(detail::kResizeAverageLine, source.width() > 0 && source.height() > 0,
                                "ResizeAverage needs a source of at least 1 x 1");
    KALIDOR_RESAMPLE_REQUIRE_AT(detail::kResizeAverageLine, outputWidth >= 1 && outputHeight >= 1,
                                "ResizeAverage needs an output of at least 1 x 1");
    const int w = source.width();
    const int h = source.height();
    // Held in single precision on purpose: the rounding of the results depends on it.
    const float area = static_cast<float>(static_cast<double>(w) * h / outputWidth / outputHeight);
    const AverageAxis columns = averageAxis(outputWidth, static_cast<double>(w) / outputWidth);
    const AverageAxis rows = averageAxis(outputHeight, static_cast<double>(h) / outputHeight);

    Bitmap out(outputWidth, outputHeight, 24);
    const Bgr24View view(source);
    const Bitmap& src = view.bitmap();
    for (int y = 0; y < outputHeight; ++y) {
        std::uint8_t* d = out.row(y);
        for (int x = 0; x < outputWidth; ++x, d += 3) {
            double blue = 0, green = 0, red = 0;
            // Rows outer, columns inner, weight = wx * wy: the order the sums are defined in.
            for (int r = rows.offset[y]; r < rows.offset[y + 1]; ++r) {
                const double wy = rows.weight[r];
                const std::uint8_t* s =
                    src.row(rows.firstCell[y] + (r - rows.offset[y])) + 3 * columns.firstCell[x];
                for (int c = columns.offset[x]; c < columns.offset[x + 1]; ++c, s += 3) {
                    const double weight = columns.weight[c] * wy;
                    blue += weight * s[0];
                    green += weight * s[1];
                    red += weight * s[2];
                }
            }
            // Round halves to even.
            d[0] = detail::roundToByte(blue / area);
            d[1] = detail::roundToByte(green / area);
            d[2] = detail::roundToByte(red / area);
        }
    }
    return out;
}

bool ShowsTheSamePicture(const Bitmap& larger, const Bitmap& plain, int meanLevels) {
    if (plain.empty() || larger.empty()) return false;
    const Bitmap small = ResizeAverage(larger, plain.width(), plain.height());
    const Bitmap reference = plain.toBgr24();
    std::uint64_t difference = 0;
    for (int y = 0; y < reference.height(); ++y)
        for (int i = 0; i < reference.width() * 3; ++i)
            difference += static_cast<std::uint64_t>(std::abs(small.row(y)[i] - reference.row(y)[i]));
    const std::uint64_t samples = static_cast<std::uint64_t>(reference.width()) * reference.height() * 3;
    return difference <= samples * static_cast<std::uint64_t>(meanLevels);
}

}  // namespace kalidor
