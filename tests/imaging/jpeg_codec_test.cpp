#include "imaging/jpeg_codec.h"

#include "platform/error.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>

namespace kalidor {
namespace {

// Smooth pictures stay close at high quality even with subsampled chroma; textured ones do not.
Bitmap picture(int width, int height, bool smooth = true) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(smooth ? 40 + 3 * x : x * 37 ^ y * 91);
            p[1] = static_cast<std::uint8_t>(smooth ? 200 - 3 * y : x * y);
            p[2] = static_cast<std::uint8_t>(smooth ? 60 + 2 * (x + y) : x * 11 + y * 59);
        }
    return b;
}

int maxDifference(const Bitmap& a, const Bitmap& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (std::size_t i = 0; i < a.stride(); ++i)
            worst = std::max(worst, std::abs(a.row(y)[i] - b.row(y)[i]));
    return worst;
}

// Writes a JPEG with libjpeg directly, for the kinds our encoder does not make.
std::vector<std::uint8_t> libjpegEncode(int width, int height, int components, J_COLOR_SPACE input,
                                        const std::vector<std::uint8_t>& samples,
                                        const std::function<void(jpeg_compress_struct&)>& configure) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = input;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    configure(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + cinfo.next_scanline * width * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

// 0xFF followed by a marker code occurs only as a marker: tables hold no 0xFF and the entropy
// data escapes it.
bool hasMarker(const std::vector<std::uint8_t>& jpeg, std::uint8_t code) {
    const std::uint8_t marker[] = {0xFF, code};
    return std::search(jpeg.begin(), jpeg.end(), std::begin(marker), std::end(marker)) != jpeg.end();
}

TEST(Jpeg, RoundTripKeepsSizeAndColours) {
    for (auto [w, h] : {std::pair{32, 16}, {13, 7}, {1, 1}}) {
        const Bitmap source = picture(w, h);
        const Bitmap decoded = jpeg::decode(jpeg::encode(source, 100));
        ASSERT_EQ(decoded.width(), w);
        ASSERT_EQ(decoded.height(), h);
        ASSERT_EQ(decoded.bitsPerPixel(), 24);
        EXPECT_LE(maxDifference(source, decoded), 6) << w << " x " << h;
    }
}

TEST(Jpeg, EncodingIsDeterministicBaselineAndFollowsQuality) {
    const Bitmap textured = picture(48, 40, false);
    const std::vector<std::uint8_t> high = jpeg::encode(textured, 90);
    EXPECT_EQ(high, jpeg::encode(textured, 90));
    EXPECT_TRUE(hasMarker(high, 0xC0));
    EXPECT_FALSE(hasMarker(high, 0xC2));
    EXPECT_LT(jpeg::encode(textured, 30).size(), high.size());

    EXPECT_THROW(jpeg::encode(Bitmap(0, 4), 90), Error);
    EXPECT_THROW(jpeg::encode(textured, 0), Error);
    EXPECT_THROW(jpeg::encode(textured, 101), Error);
    EXPECT_THROW(jpeg::encode(Bitmap(70000, 1), 90), Error);  // wider than JPEG allows
}

TEST(Jpeg, GreyscaleBecomesEqualChannels) {
    std::vector<std::uint8_t> grey(16 * 8);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<std::uint8_t>(i * 2);
    const Bitmap b = jpeg::decode(libjpegEncode(16, 8, 1, JCS_GRAYSCALE, grey, [](auto&) {}));
    ASSERT_EQ(b.width(), 16);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* p = b.row(y) + 3 * x;
            ASSERT_EQ(p[0], p[1]);
            ASSERT_EQ(p[1], p[2]);
            EXPECT_NEAR(p[0], grey[y * 16 + x], 4);
        }
}

TEST(Jpeg, CmykAndYcckBecomeRgb) {
    // Left block cyan ink, right block full magenta and yellow ink with half black: dark red.
    struct Case {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobe;  // Adobe files hold 255 - ink
    };
    for (const Case& c : {Case{"Adobe CMYK", JCS_CMYK, true}, Case{"plain CMYK", JCS_CMYK, false},
                          Case{"YCCK", JCS_YCCK, true}}) {
        std::vector<std::uint8_t> samples;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) {
                const std::uint8_t cyan[] = {255, 0, 0, 0}, darkRed[] = {0, 255, 255, 128};
                for (std::uint8_t ink : x < 16 ? cyan : darkRed)
                    samples.push_back(c.adobe ? 255 - ink : ink);
            }
        const Bitmap b = jpeg::decode(libjpegEncode(32, 16, 4, JCS_CMYK, samples, [&](jpeg_compress_struct& cinfo) {
            jpeg_set_colorspace(&cinfo, c.stored);
            cinfo.write_Adobe_marker = c.adobe;
        }));
        const int expected[] = {255, 255, 0, 0, 0, 127};  // blue, green, red at x = 8 and x = 24
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(b.row(8)[i < 3 ? 24 + i : 72 + i - 3], expected[i], 4) << c.name << " " << i;
    }
}

// A greyscale progressive file with one scan per AC coefficient, each refined `refinements` times.
std::vector<std::uint8_t> progressiveWithScans(int refinements, std::vector<jpeg_scan_info>& script) {
    script.push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k < 64; ++k) {
        script.push_back({1, {0}, k, k, 0, refinements});
        for (int al = refinements - 1; al >= 0; --al)
            script.push_back({1, {0}, k, k, al + 1, al});
    }
    std::vector<std::uint8_t> grey(16 * 16);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<std::uint8_t>((i * 29) % 251);
    return libjpegEncode(16, 16, 1, JCS_GRAYSCALE, grey, [&](jpeg_compress_struct& cinfo) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = static_cast<int>(script.size());
    });
}

TEST(Jpeg, ProgressiveDecodesButEndlessScansAreRefused) {
    const Bitmap source = picture(40, 24);
    const std::vector<std::uint8_t> bgr(source.data(), source.data() + source.byteSize());
    const Bitmap decoded = jpeg::decode(libjpegEncode(40, 24, 3, JCS_EXT_BGR, bgr, [](auto& cinfo) {
        jpeg_simple_progression(&cinfo);
    }));
    EXPECT_LE(maxDifference(source, decoded), 8);

    std::vector<jpeg_scan_info> few, many;
    EXPECT_EQ(jpeg::decode(progressiveWithScans(0, few)).width(), 16);  // 64 scans
    try {
        jpeg::decode(progressiveWithScans(9, many));  // 631 scans
        FAIL() << "decoded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "JPEG: more than 500 scans");
    }
}

TEST(Jpeg, BrokenDataIsAnError) {
    const std::vector<std::uint8_t> good = jpeg::encode(picture(64, 64, false), 90);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, "JPEG: "},
        {"garbage", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'}, "JPEG: Not a JPEG file"},
        {"only SOI", {0xFF, 0xD8}, "JPEG: premature end of data"},
        {"cut in the header", {good.begin(), good.begin() + 100}, "JPEG: premature end of data"},
        {"cut in the pixels", {good.begin(), good.begin() + good.size() / 2}, "JPEG: premature end of data"},
    };
    for (const Case& c : cases) {
        try {
            jpeg::decode(c.bytes);
            ADD_FAILURE() << c.name << " decoded";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << c.name << ": " << e.what();
        }
    }
}

TEST(Jpeg, OversizedPicturesAreRefusedBeforeDecoding) {
    std::vector<std::uint8_t> bytes = jpeg::encode(picture(16, 16), 90);
    EXPECT_EQ(jpeg::decode(bytes, {.maxPixels = 256}).width(), 16);
    EXPECT_THROW(jpeg::decode(bytes, {.maxPixels = 255}), Error);

    // Sizes claimed in the frame header, far beyond what the data could fill: refused before
    // the pixels (and a progressive picture's coefficients) are allocated.
    const Bitmap smooth = picture(96, 64);
    const std::vector<std::uint8_t> bgr(smooth.data(), smooth.data() + smooth.byteSize());
    const std::vector<std::uint8_t> progressive =
        libjpegEncode(96, 64, 3, JCS_EXT_BGR, bgr, [](auto& cinfo) { jpeg_simple_progression(&cinfo); });
    const struct {
        std::vector<std::uint8_t> bytes;
        std::uint8_t frame;
        int side;
        std::string message;  // after "JPEG: "
    } cases[] = {
        {bytes, 0xC0, 60000, "60000 x 60000 pixels is more than the limit of 256000000"},
        {bytes, 0xC0, 16000, std::to_string(bytes.size()) + " bytes cannot hold 16000 x 16000 pixels"},
        {progressive, 0xC2, 16000, std::to_string(progressive.size()) + " bytes cannot hold 16000 x 16000 pixels"},
        {progressive, 0xC2, 2048, ""},  // within the floor any data may declare: decodes, grey below
    };
    for (auto c : cases) {
        const std::uint8_t sofMarker[] = {0xFF, c.frame};
        const auto sof = std::search(c.bytes.begin(), c.bytes.end(), std::begin(sofMarker), std::end(sofMarker));
        ASSERT_NE(sof, c.bytes.end());
        for (int i : {5, 7}) {
            sof[i] = static_cast<std::uint8_t>(c.side >> 8);
            sof[i + 1] = c.side & 0xFF;
        }
        try {
            EXPECT_EQ(jpeg::decode(c.bytes).width(), c.side);
            EXPECT_EQ(c.message, "") << c.side;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "JPEG: " + c.message);
        }
    }
    // A picture of one colour, the most a real file carries in a byte, still decodes at 12
    // megapixels, as does a photo.
    Bitmap blank(4000, 3000);
    blank.fillBgr24(0x00FFFFFF);
    EXPECT_EQ(jpeg::decode(jpeg::encode(blank, 75)).width(), 4000);
}

TEST(Jpeg, FilesRoundTripAndErrorsNameTheFile) {
    test::TempFolder folder;
    const std::string path = folder.dir() + "frame.jpg";
    const Bitmap frame = picture(20, 10);
    jpeg::writeFile(frame, path, 85);
    EXPECT_EQ(test::readBytes(path), jpeg::encode(frame, 85));
    EXPECT_EQ(jpeg::readFile(path), jpeg::decode(jpeg::encode(frame, 85)));

    const std::string bad = folder.dir() + "bad.jpg";
    test::writeBytes(bad, {1, 2, 3});
    for (const std::string& name : {bad, folder.dir() + "missing.jpg"}) {
        try {
            jpeg::readFile(name);
            ADD_FAILURE() << name;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(jpeg::writeFile(frame, folder.dir() + "no/such/folder.jpg", 85), Error);
}

TEST(Jpeg, FitBoxPicksTheSmallestDctScaleThatStillCoversTheFit) {
    const std::vector<std::uint8_t> bytes = jpeg::encode(picture(800, 600), 90);
    struct Case {
        int box;
        int width, height;
    } const cases[] = {
        {0, 800, 600},      // no box: full size
        {128, 200, 150},    // 1/8 would give 100 < 128
        {100, 100, 75},     // 1/8 covers 100 x 75
        {500, 800, 600},    // 1/2 would give 400 < 500
        {400, 400, 300},    // exactly 1/2
        {2000, 800, 600},   // a box larger than the picture never enlarges
    };
    for (const Case& c : cases) {
        jpeg::DecodeOptions options;
        options.fitWidth = options.fitHeight = c.box;
        const Bitmap decoded = jpeg::decode(bytes, options);
        EXPECT_EQ(decoded.width(), c.width) << c.box;
        EXPECT_EQ(decoded.height(), c.height) << c.box;
    }
}

}  // namespace
}  // namespace kalidor
