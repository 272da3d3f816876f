#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

// The tables name only the fields that differ from the defaults; GCC 12 warns about the rest.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kalidor {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::size_t at, std::uint32_t v, int size) {
    if (b.size() < at + size)
        b.resize(at + size, 0);
    for (int i = 0; i < size; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The fields a test sets; the rest of the file is assembled around them.
struct Fields {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint32_t planes = 1;
    std::uint32_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks;  // from header byte 40 on, running past a short header
    Bytes palette;
    Bytes pixels;
    std::optional<std::uint32_t> offBits;  // just after the palette unless set
};

Bytes makeBmp(const Fields& f) {
    Bytes h(f.headerSize, 0);
    put(h, 0, f.headerSize, 4);
    if (f.headerSize == 12) {
        put(h, 4, f.width, 2);
        put(h, 6, f.height, 2);
        put(h, 8, f.planes, 2);
        put(h, 10, f.bitCount, 2);
    } else {
        put(h, 4, f.width, 4);
        put(h, 8, f.height, 4);
        put(h, 12, f.planes, 2);
        put(h, 14, f.bitCount, 2);
        if (f.headerSize >= 40) {
            put(h, 16, f.compression, 4);
            put(h, 32, f.colorsUsed, 4);
        }
    }
    for (std::size_t i = 0; i < f.masks.size(); ++i)
        put(h, 40 + 4 * i, f.masks[i], 4);
    Bytes out = {'B', 'M'};
    const std::size_t offBits = f.offBits.value_or(14 + h.size() + f.palette.size());
    put(out, 2, static_cast<std::uint32_t>(offBits + f.pixels.size()), 4);
    put(out, 10, static_cast<std::uint32_t>(offBits), 4);
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), f.palette.begin(), f.palette.end());
    out.insert(out.end(), f.pixels.begin(), f.pixels.end());
    return out;
}

// File rows in file order, each padded to 4 bytes.
Bytes rows(std::initializer_list<Bytes> list) {
    Bytes out;
    for (const Bytes& r : list) {
        out.insert(out.end(), r.begin(), r.end());
        out.resize((out.size() + 3) / 4 * 4, 0);
    }
    return out;
}

// Entry i is blue 3i, green 2i, red i; four bytes each, or three for the core header.
Bytes ramp(int count, int entrySize = 4) {
    Bytes out;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < entrySize; ++c)
            out.push_back(static_cast<std::uint8_t>(c < 3 ? i * (3 - c) : 0));
    return out;
}

// The colour of ramp entry i as 0xRRGGBB.
constexpr std::uint32_t g(std::uint32_t i) { return i << 16 | 2 * i << 8 | 3 * i; }

// Pixels as 0xRRGGBB, top row first.
std::vector<std::uint32_t> colors(const Bitmap& b) {
    const Bitmap c = b.toBgr24();
    std::vector<std::uint32_t> out;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            const std::uint8_t* p = c.row(y) + 3 * x;
            out.push_back(p[2] << 16 | p[1] << 8 | p[0]);
        }
    return out;
}

struct DecodeCase {
    const char* name;
    Fields fields;
    int bitsPerPixel;
    std::vector<std::uint32_t> expected;
};

TEST(BmpDecode, EveryVariantGivesTheRightPixels) {
    const std::vector<std::uint32_t> mask565 = {0xF800, 0x07E0, 0x001F};
    const std::vector<DecodeCase> cases = {
        {"1 bit, odd width", {.width = 3, .height = 2, .bitCount = 1, .palette = ramp(2),
          .pixels = rows({{0b1010'0000}, {0b0101'1111}})}, 1, {0, g(1), 0, g(1), 0, g(1)}},
        {"4 bits, index past a short palette", {.width = 3, .height = 2, .bitCount = 4, .colorsUsed = 3,
          .palette = ramp(3), .pixels = rows({{0x12, 0x00}, {0x05, 0x20}})}, 4, {0, 0, g(2), g(1), g(2), 0}},
        {"8 bits, colour count clamped", {.width = 3, .height = 1, .bitCount = 8, .colorsUsed = 0xFFFFFFFF,
          .palette = ramp(258), .pixels = rows({{7, 15, 0}}), .offBits = 14 + 40 + 258 * 4}, 8, {g(7), g(15), 0}},
        {"core header, 3-byte entries cut by the offset", {.headerSize = 12, .width = 3, .height = 1, .bitCount = 8,
          .palette = ramp(3, 3), .pixels = rows({{3, 1, 2}})}, 8, {0, g(1), g(2)}},
        {"16 bits 5-5-5", {.width = 3, .height = 1, .bitCount = 16,
          .pixels = rows({{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}})}, 16, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"16 bits 5-6-5 after the info header", {.width = 3, .height = 1, .bitCount = 16, .compression = 3,
          .masks = mask565, .pixels = rows({{0x00, 0xF8, 0x00, 0x04, 0x01, 0x00}})}, 24, {0xFF0000, 0x008200, 0x000008}},
        {"16 bits 5-6-5 in a V2 header", {.headerSize = 52, .bitCount = 16, .compression = 3, .masks = mask565,
          .pixels = rows({{0xE0, 0x07}})}, 24, {0x00FF00}},
        {"16 bits 5-5-5 alpha bit fields", {.bitCount = 16, .compression = 6, .masks = {0x7C00, 0x03E0, 0x001F, 0x8000},
          .pixels = rows({{0x1F, 0x80}})}, 16, {0x0000FF}},
        {"24 bits bottom-up", {.width = 3, .height = 2, .pixels = rows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}})},
          24, {0x0C0B0A, 0x0F0E0D, 0x121110, 0x030201, 0x060504, 0x090807}},
        {"24 bits, last row unpadded", {.height = 2, .pixels = {1, 2, 3, 0, 4, 5, 6}}, 24, {0x060504, 0x030201}},
        {"24 bits top-down", {.height = -2, .pixels = rows({{1, 2, 3}, {4, 5, 6}})}, 24, {0x030201, 0x060504}},
        {"32 bits BGRX, V5 masks ignored", {.headerSize = 124, .width = 2, .bitCount = 32, .masks = {1, 2, 3, 4},
          .pixels = rows({{1, 2, 3, 99, 4, 5, 6, 99}})}, 32, {0x030201, 0x060504}},
        {"32 bits 10-10-10 in a V4 header", {.headerSize = 108, .bitCount = 32, .compression = 3,
          .masks = {0x3FF00000, 0x000FFC00, 0x000003FF}, .pixels = rows({{0x00, 0x00, 0xF8, 0x3F}})}, 24, {0xFF8000}},
        {"32 bits standard bit fields stay 32", {.bitCount = 32, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF},
          .pixels = rows({{1, 2, 3, 0}})}, 32, {0x030201}},
        // Delta, a run clipped at the row end, end of line, absolute run (padded), end of bitmap
        // and data past it.
        {"RLE8", {.width = 4, .height = 3, .bitCount = 8, .compression = 1, .colorsUsed = 16, .palette = ramp(16),
          .pixels = {0, 2, 1, 0, 5, 7, 0, 0, 0, 3, 2, 3, 4, 0, 0, 1, 0, 0, 4, 9}},
          8, {0, 0, 0, 0, g(2), g(3), g(4), 0, 0, g(7), g(7), g(7)}},
        // Absolute run of 5 nibbles (padded), run, a delta below the picture, no end of bitmap.
        {"RLE4", {.width = 5, .height = 2, .bitCount = 4, .compression = 2, .palette = ramp(16),
          .pixels = {0, 5, 0x12, 0x12, 0x10, 0, 0, 0, 4, 0x34, 0, 2, 0, 9, 3, 0xFF}},
          4, {g(3), g(4), g(3), g(4), 0, g(1), g(2), g(1), g(2), g(1)}},
        {"zero height", {.width = 5, .height = 0}, 24, {}},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap b = bmp::decode(makeBmp(c.fields));
        EXPECT_EQ(b.bitsPerPixel(), c.bitsPerPixel);
        EXPECT_EQ(colors(b), c.expected);
    }
    EXPECT_EQ(bmp::decode(makeBmp({.width = 0, .height = 1 << 30})).height(), 0);
}

struct BadCase {
    const char* name;
    Bytes bytes;
    std::string message;
    std::int64_t maxPixels = kMaxBitmapPixels;
};

TEST(BmpDecode, RefusesMalformedFiles) {
    const Fields ok = {.width = 2, .height = 2, .pixels = rows({{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}})};
    auto with = [&](auto change) { Fields f = ok; change(f); return makeBmp(f); };
    Bytes truncated = makeBmp(ok);
    truncated.resize(truncated.size() - 5);
    Bytes wrongMagic = makeBmp(ok);
    wrongMagic[1] = 'A';
    Bytes shortHeader = makeBmp(ok);
    shortHeader.resize(30);
    const std::vector<BadCase> cases = {
        {"empty", {}, "no BM signature"},
        {"too short", {'B', 'M', 0, 0, 0, 0}, "too short"},
        {"wrong magic", wrongMagic, "no BM signature"},
        {"unknown header size", with([](Fields& f) { f.headerSize = 41; }), "unknown header size 41"},
        {"header truncated", shortHeader, "header truncated"},
        {"offset beyond the end", with([](Fields& f) { f.offBits = 1000; }), "offset beyond end of file"},
        {"offset inside the headers", with([](Fields& f) { f.offBits = 20; }), "offset inside the headers"},
        {"pixel data truncated", truncated, "BMP: pixel data truncated"},
        {"more than maxPixels", makeBmp(ok), "limit of 3", 3},
        {"huge size", with([](Fields& f) { f.width = 1 << 30; f.height = -(1 << 30); }), "limit"},
        {"huge height, no data", with([](Fields& f) { f.width = 10000; f.height = 10000; }), "truncated"},
        {"lowest height", with([](Fields& f) { f.height = INT32_MIN; }), "out of range"},
        {"negative width", with([](Fields& f) { f.width = -2; }), "negative width"},
        {"zero planes", with([](Fields& f) { f.planes = 0; }), "planes"},
        {"planes 0xFFFF", with([](Fields& f) { f.planes = 0xFFFF; }), "planes"},
        {"zero bit count", with([](Fields& f) { f.bitCount = 0; }), "bit count 0"},
        {"bit count 0xFFFF", with([](Fields& f) { f.bitCount = 0xFFFF; }), "bit count 65535"},
        {"unknown compression", with([](Fields& f) { f.compression = 9; }), "compression 9"},
        {"JPEG", with([](Fields& f) { f.compression = 4; }), "embedded JPEG/PNG data is not supported"},
        {"PNG", with([](Fields& f) { f.compression = 5; }), "embedded JPEG/PNG data is not supported"},
        {"RLE8 of 4 bits", with([](Fields& f) { f.compression = 1; f.bitCount = 4; }), "RLE8 needs 8"},
        {"top-down RLE", with([](Fields& f) { f.compression = 2; f.bitCount = 4; f.height = -2; }), "top-down"},
        {"bit fields of 24 bits", with([](Fields& f) { f.compression = 3; f.masks = {1, 2, 4}; }), "bit fields"},
        {"masks missing", makeBmp({.bitCount = 16, .compression = 3}), "masks truncated"},
        {"scattered mask", makeBmp({.bitCount = 16, .compression = 3, .masks = {0x0F0F, 0xF000, 0xF0}}), "contiguous"},
        {"OS/2 Huffman", makeBmp({.headerSize = 64, .bitCount = 1, .compression = 3}), "Huffman"},
        {"RLE8 too short for its size",
         makeBmp({.width = 16000, .height = 16000, .bitCount = 8, .compression = 1, .pixels = {255, 1, 0, 1}}),
         "4 bytes of RLE data cannot hold 16000 x 16000 pixels"},
        {"RLE4 too short for its size",
         makeBmp({.width = 4096, .height = 1025, .bitCount = 4, .compression = 2, .pixels = Bytes(16384, 0)}),
         "cannot hold 4096 x 1025"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            bmp::decode(c.bytes, c.maxPixels);
            ADD_FAILURE() << "decoded";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    // A big RLE picture whose every pixel is in the data is read.
    Bytes runs;
    for (int y = 0; y < 2048; ++y) {
        for (int x = 0; x < 4096; x += 255)
            runs.insert(runs.end(), {static_cast<std::uint8_t>(std::min(255, 4096 - x)), 1});
        runs.insert(runs.end(), {0, 0});
    }
    EXPECT_EQ(bmp::decode(makeBmp({.width = 4096, .height = 2048, .bitCount = 8, .compression = 1, .pixels = runs})).width(),
              4096);
}

TEST(BmpEncode, WritesTheExpectedBytes) {
    Bitmap b(2, 2);
    const std::uint8_t top[] = {1, 2, 3, 4, 5, 6}, bottom[] = {7, 8, 9, 10, 11, 12};
    std::copy(std::begin(top), std::end(top), b.row(0));
    std::copy(std::begin(bottom), std::end(bottom), b.row(1));
    const Bytes expected = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                   // file header
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,  // size, planes, depth
        16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,   // image size, zeros
        7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};            // bottom row first
    EXPECT_EQ(bmp::encode(b), expected);
    EXPECT_EQ(bmp::encode(Bitmap()).size(), 54u);
    EXPECT_TRUE(bmp::decode(bmp::encode(Bitmap())).empty());
}

TEST(BmpEncode, RoundTripsThroughFiles) {
    Bitmap rgb(5, 3);
    for (std::size_t i = 0; i < rgb.byteSize(); ++i)
        rgb.data()[i] = static_cast<std::uint8_t>(i * 37 + 11);
    Bitmap paletted(3, 2, 4);
    paletted.palette()[9] = {10, 20, 30, 0};
    paletted.row(1)[1] = 0x90;  // pixel (2, 1)

    test::TempFolder folder;
    const std::string path = folder.dir() + "a.bmp";
    bmp::writeFile(rgb, path);
    EXPECT_EQ(bmp::readFile(path), rgb);
    EXPECT_EQ(bmp::decode(bmp::encode(paletted)), paletted.toBgr24());

    test::writeBytes(path, {'B', 'M'});
    try {
        bmp::readFile(path);
        ADD_FAILURE() << "decoded";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("BMP: file too short"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
}

}  // namespace
}  // namespace kalidor
