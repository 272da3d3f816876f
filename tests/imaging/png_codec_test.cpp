#include "imaging/png_codec.h"

#include "platform/error.h"
#include "support/test_support.h"

#include <array>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace kalidor {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct PngPicture {
    int width = 4;
    int height = 1;
    int colorType = PNG_COLOR_TYPE_GRAY;
    int depth = 8;
    std::vector<unsigned> samples = {};  // every channel of every pixel, row by row
    std::vector<png_color> palette = {};
    std::vector<png_byte> paletteAlpha = {};
    std::vector<png_uint_16> transparentColour = {};  // grey, or red, green, blue
    bool interlaced = false;
};

int channelsOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Writes the picture with libpng; samples are packed at the picture's bit depth.
Bytes writePng(const PngPicture& p) {
    const int perRow = p.width * channelsOf(p.colorType);
    std::vector<Bytes> rows(p.height, Bytes((perRow * p.depth + 7) / 8));
    for (int y = 0; y < p.height; ++y)
        for (int i = 0; i < perRow; ++i) {
            const unsigned v = p.samples[y * perRow + i];
            Bytes& row = rows[y];
            if (p.depth == 16) {
                row[2 * i] = static_cast<png_byte>(v >> 8);
                row[2 * i + 1] = static_cast<png_byte>(v);
            } else {
                const int bit = i * p.depth;
                row[bit / 8] |= static_cast<png_byte>(v << (8 - p.depth - bit % 8));
            }
        }
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, p.width, p.height, p.depth, p.colorType,
                 p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!p.palette.empty())
        png_set_PLTE(png, info, p.palette.data(), static_cast<int>(p.palette.size()));
    if (!p.paletteAlpha.empty())
        png_set_tRNS(png, info, p.paletteAlpha.data(), static_cast<int>(p.paletteAlpha.size()), nullptr);
    if (!p.transparentColour.empty()) {
        const auto& c = p.transparentColour;
        png_color_16 colour{0, c[0], c.size() == 3 ? c[1] : c[0], c.size() == 3 ? c[2] : c[0], c[0]};
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows)
        pointers.push_back(row.data());
    png_set_rows(png, info, pointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

using Rgb = std::array<int, 3>;

std::vector<Rgb> grey(std::initializer_list<int> values) {
    std::vector<Rgb> out;
    for (int v : values)
        out.push_back({v, v, v});
    return out;
}

TEST(Png, DecodesEveryColourTypeAndDepth) {
    const std::vector<png_color> palette{{200, 100, 50}, {10, 20, 30}, {255, 255, 255}, {0, 0, 255}};
    struct Case {
        const char* name;
        PngPicture picture;
        std::vector<Rgb> expected;
    };
    const Case cases[] = {
        {"grey 1", {.depth = 1, .samples = {0, 1, 1, 0}}, grey({0, 255, 255, 0})},
        {"grey 2", {.depth = 2, .samples = {0, 1, 2, 3}}, grey({0, 85, 170, 255})},
        {"grey 4", {.depth = 4, .samples = {0, 5, 10, 15}}, grey({0, 85, 170, 255})},
        {"grey 8", {.samples = {0, 64, 200, 255}}, grey({0, 64, 200, 255})},
        {"grey 16", {.depth = 16, .samples = {0x0000, 0x12FF, 0xAB00, 0xFFFF}}, grey({0, 0x12, 0xAB, 0xFF})},
        {"grey 8, one level transparent", {.samples = {0, 64, 200, 255}, .transparentColour = {64}},
         grey({0, 0, 200, 255})},
        {"grey 2, one level transparent", {.depth = 2, .samples = {0, 1, 2, 3}, .transparentColour = {2}},
         grey({0, 85, 0, 255})},
        {"grey + alpha 8",
         {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .samples = {200, 255, 200, 128, 200, 0, 200, 200}},
         grey({200, 100, 0, 157})},
        {"grey + alpha 16",
         {.width = 2, .colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .depth = 16, .samples = {0xC8FF, 0xFFFF, 0xC800, 0x80FF}},
         grey({200, 100})},
        {"RGB 8",
         {.colorType = PNG_COLOR_TYPE_RGB, .samples = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30}},
         {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}}},
        {"RGB 8, one colour transparent",
         {.width = 2, .colorType = PNG_COLOR_TYPE_RGB, .samples = {10, 20, 30, 10, 20, 31}, .transparentColour = {10, 20, 30}},
         {{0, 0, 0}, {10, 20, 31}}},
        {"RGBA 8",
         {.colorType = PNG_COLOR_TYPE_RGB_ALPHA,
          .samples = {255, 128, 0, 255, 255, 128, 0, 128, 255, 255, 255, 0, 100, 50, 200, 51}},
         {{255, 128, 0}, {128, 64, 0}, {0, 0, 0}, {20, 10, 40}}},
        {"RGBA 16",
         {.width = 1, .colorType = PNG_COLOR_TYPE_RGB_ALPHA, .depth = 16, .samples = {0xFFFF, 0x80FF, 0x0000, 0x8000}},
         {{128, 64, 0}}},
        {"palette 2", {.colorType = PNG_COLOR_TYPE_PALETTE, .depth = 2, .samples = {3, 2, 1, 0}, .palette = palette},
         {{0, 0, 255}, {255, 255, 255}, {10, 20, 30}, {200, 100, 50}}},
        {"palette 8 with alpha",
         {.colorType = PNG_COLOR_TYPE_PALETTE, .samples = {0, 1, 2, 3}, .palette = palette, .paletteAlpha = {128, 0}},
         {{100, 50, 25}, {0, 0, 0}, {255, 255, 255}, {0, 0, 255}}},
    };
    for (const Case& c : cases) {
        const Bitmap b = png::decode(writePng(c.picture));
        ASSERT_EQ(b.width(), c.picture.width) << c.name;
        ASSERT_EQ(b.height(), c.picture.height) << c.name;
        std::vector<Rgb> got;
        for (std::size_t i = 0; i < b.byteSize(); i += 3)
            got.push_back({b.data()[i + 2], b.data()[i + 1], b.data()[i]});
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(Png, InterlacedMatchesPlain) {
    for (int colorType : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
        PngPicture p{.width = 11, .height = 9, .colorType = colorType};
        for (int i = 0; i < 11 * 9 * channelsOf(colorType); ++i)
            p.samples.push_back(static_cast<unsigned>(i * 37 % 256));
        const Bitmap plain = png::decode(writePng(p));
        p.interlaced = true;
        EXPECT_EQ(png::decode(writePng(p)), plain) << colorType;
    }
}

PngPicture noise(int width, int height) {
    PngPicture p{.width = width, .height = height, .colorType = PNG_COLOR_TYPE_RGB};
    for (int i = 0; i < width * height * 3; ++i)
        p.samples.push_back(static_cast<unsigned>((i * 2654435761u) >> 24));
    return p;
}

TEST(Png, BrokenDataIsAnError) {
    const Bytes good = writePng(noise(32, 32));
    Bytes badCrc = good, badPixels = good;
    badCrc[30] ^= 0x01;                     // the CRC of IHDR
    badPixels[good.size() / 2] ^= 0x01;  // inside the compressed pixels
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, "PNG: premature end of data"},
        {"garbage", Bytes(64, 'x'), "PNG: "},
        {"signature only", {good.begin(), good.begin() + 8}, "PNG: premature end of data"},
        {"cut in the pixels", {good.begin(), good.begin() + good.size() / 2}, "PNG: premature end of data"},
        {"cut before IEND", {good.begin(), good.end() - 12}, "PNG: premature end of data"},
        {"bad CRC", badCrc, "PNG: IHDR: CRC error"},
        {"bad pixel data", badPixels, "PNG: "},
    };
    for (const Case& c : cases) {
        try {
            png::decode(c.bytes);
            ADD_FAILURE() << c.name << " decoded";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << c.name << ": " << e.what();
        }
    }
}

// A valid file whose header claims another size (CRC fixed), with the pixel data of 4 x 1.
Bytes withClaimedSize(png_uint_32 width, png_uint_32 height) {
    Bytes b = writePng({.samples = {1, 2, 3, 4}});
    for (int i = 0; i < 4; ++i) {
        b[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        b[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, b.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    return b;
}

TEST(Png, OversizedPicturesAreRefusedBeforeDecoding) {
    EXPECT_EQ(png::decode(withClaimedSize(4, 1), 4).width(), 4);
    EXPECT_THROW(png::decode(withClaimedSize(4, 1), 3), Error);
    try {
        png::decode(withClaimedSize(100000, 100000));
        FAIL() << "decoded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "PNG: 100000 x 100000 pixels is more than the limit of 256000000");
    }
    EXPECT_THROW(png::decode(withClaimedSize(2'000'000, 1)), Error);  // beyond the width limit
}

TEST(Png, FilesDecodeAndErrorsNameTheFile) {
    test::TempFolder folder;
    const Bytes bytes = writePng(noise(5, 3));
    const std::string path = folder.dir() + "a.png";
    test::writeBytes(path, bytes);
    EXPECT_EQ(png::readFile(path), png::decode(bytes));
    test::writeBytes(path, {bytes.begin(), bytes.begin() + 40});
    try {
        png::readFile(path);
        FAIL() << "decoded";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "PNG: premature end of data (" + path + ")");
    }
}

}  // namespace
}  // namespace kalidor
