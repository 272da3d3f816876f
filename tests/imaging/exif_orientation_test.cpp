#include "imaging/exif_orientation.h"

#include "imaging/jpeg_codec.h"
#include "support/exif_photo.h"

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kalidor {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, unsigned v, bool bigEndian) {
    b.push_back(static_cast<std::uint8_t>(bigEndian ? v >> 8 : v));
    b.push_back(static_cast<std::uint8_t>(bigEndian ? v : v >> 8));
}
void put32(Bytes& b, std::uint32_t v, bool bigEndian) {
    put16(b, bigEndian ? v >> 16 : v & 0xFFFF, bigEndian);
    put16(b, bigEndian ? v & 0xFFFF : v >> 16, bigEndian);
}

// An APP1 payload whose IFD0 holds a camera make and then the orientation.
Bytes exifPayload(int orientation, bool bigEndian, unsigned type = 3) {
    Bytes b{'E', 'x', 'i', 'f', 0, 0};
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    put16(b, 42, bigEndian);
    put32(b, 8, bigEndian);
    put16(b, 2, bigEndian);
    put16(b, 0x010F, bigEndian);  // make: ASCII, four bytes held in the entry
    put16(b, 2, bigEndian);
    put32(b, 4, bigEndian);
    b.insert(b.end(), {'C', 'a', 'm', 0});
    put16(b, 0x0112, bigEndian);
    put16(b, type, bigEndian);
    put32(b, 1, bigEndian);
    put16(b, static_cast<unsigned>(orientation), bigEndian);
    put16(b, 0, bigEndian);
    put32(b, 0, bigEndian);  // no next IFD
    return b;
}

TEST(ExifOrientation, ReadsTheTagInEitherByteOrder) {
    for (bool bigEndian : {false, true})
        for (int o = 1; o <= 8; ++o)
            EXPECT_EQ(exifOrientation(exifPayload(o, bigEndian)), o) << o << (bigEndian ? " MM" : " II");
}

TEST(ExifOrientation, BrokenTagsMeanUpright) {
    const Bytes good = exifPayload(6, true);
    auto changed = [&](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"not EXIF", changed(0, 'X')},
        {"unknown byte order", changed(6, 'X')},
        {"not 42", changed(9, 43)},
        {"IFD beyond the end", changed(13, 200)},
        {"orientation not among the entries", changed(15, 1)},
        {"cut in the entry", {good.begin(), good.end() - 8}},
        {"LONG instead of SHORT", exifPayload(6, true, 4)},
        {"value 0", exifPayload(0, true)},
        {"value 9", exifPayload(9, false)},
        {"huge IFD offset", changed(10, 0xFF)},
    };
    for (const auto& [name, payload] : cases)
        EXPECT_EQ(exifOrientation(payload), 1) << name;
}

// Pixels numbered 0..5 in blue, stored as   0 1 2
//                                           3 4 5
TEST(ExifOrientation, PutsEveryPixelInPlace) {
    Bitmap stored(3, 2);
    for (int i = 0; i < 6; ++i)
        stored.row(i / 3)[3 * (i % 3)] = static_cast<std::uint8_t>(i);
    const std::vector<std::vector<int>> expected[] = {
        {{0, 1, 2}, {3, 4, 5}},          // 1
        {{2, 1, 0}, {5, 4, 3}},          // 2 mirror horizontally
        {{5, 4, 3}, {2, 1, 0}},          // 3 rotate 180
        {{3, 4, 5}, {0, 1, 2}},          // 4 mirror vertically
        {{0, 3}, {1, 4}, {2, 5}},        // 5 transpose
        {{3, 0}, {4, 1}, {5, 2}},        // 6 rotate clockwise
        {{5, 2}, {4, 1}, {3, 0}},        // 7 transverse
        {{2, 5}, {1, 4}, {0, 3}},        // 8 rotate counter-clockwise
    };
    for (int o = 1; o <= 8; ++o) {
        const Bitmap turned = applyExifOrientation(stored, o);
        const auto& rows = expected[o - 1];
        ASSERT_EQ(turned.height(), static_cast<int>(rows.size())) << o;
        ASSERT_EQ(turned.width(), static_cast<int>(rows[0].size())) << o;
        for (int y = 0; y < turned.height(); ++y)
            for (int x = 0; x < turned.width(); ++x)
                EXPECT_EQ(turned.row(y)[3 * x], rows[y][x]) << "orientation " << o << " at " << x << "," << y;
    }
    EXPECT_EQ(applyExifOrientation(stored, 0), stored);
    EXPECT_EQ(applyExifOrientation(Bitmap(3, 2, 8), 6).width(), 2);  // converted, then turned
}

// A 4 x 2 grid of 16-pixel cells; the corners are red, green, blue and yellow (0x00BBGGRR).
constexpr Color kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF;

Bytes cellJpegWithApp1(const Bytes& payload) {
    Bitmap b(64, 32);
    b.fillBgr24(0x808080);
    const std::array<std::pair<int, Color>, 4> corners{{{0, kRed}, {3, kGreen}, {4, kBlue}, {7, kYellow}}};
    for (auto [cell, colour] : corners)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                std::uint8_t* p = b.row(cell / 4 * 16 + y) + 3 * (cell % 4 * 16 + x);
                p[0] = blueOf(colour);
                p[1] = greenOf(colour);
                p[2] = redOf(colour);
            }
    return test::withApp1(jpeg::encode(b, 95), payload);
}

// Corner colours of the displayed picture: top left, top right, bottom left, bottom right.
std::array<Color, 4> corners(const Bitmap& b) {
    std::array<Color, 4> out{};
    const int xs[] = {8, b.width() - 9}, ys[] = {8, b.height() - 9};
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* p = b.row(ys[i / 2]) + 3 * xs[i % 2];
        // Snap to full or no intensity; JPEG leaves the flat cells within a few levels.
        auto snap = [](std::uint8_t v) { return v > 200 ? 255u : v < 55 ? 0u : 128u; };
        out[i] = snap(p[2]) | snap(p[1]) << 8 | snap(p[0]) << 16;
    }
    return out;
}

TEST(ExifOrientation, JpegDecodesUpright) {
    const std::array<Color, 4> expected[] = {
        {kRed, kGreen, kBlue, kYellow}, {kGreen, kRed, kYellow, kBlue}, {kYellow, kBlue, kGreen, kRed},
        {kBlue, kYellow, kRed, kGreen}, {kRed, kBlue, kGreen, kYellow}, {kBlue, kRed, kYellow, kGreen},
        {kYellow, kGreen, kBlue, kRed}, {kGreen, kYellow, kRed, kBlue},
    };
    for (int o = 1; o <= 8; ++o) {
        const Bytes file = cellJpegWithApp1(exifPayload(o, o % 2 == 0));
        const Bitmap b = jpeg::decode(file);
        EXPECT_EQ(b.width(), o >= 5 ? 32 : 64) << o;
        EXPECT_EQ(corners(b), expected[o - 1]) << "orientation " << o;
        EXPECT_EQ(corners(jpeg::decode(file, {.applyExifOrientation = false})), expected[0]) << o;
    }
    Bytes broken = exifPayload(6, false);
    broken.resize(20);
    EXPECT_EQ(corners(jpeg::decode(cellJpegWithApp1(broken))), expected[0]);
    const Bytes xmp{'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.'};
    EXPECT_EQ(corners(jpeg::decode(cellJpegWithApp1(xmp))), expected[0]);
}

}  // namespace
}  // namespace kalidor
