#include "imaging/bitmap_utils.h"
#include "imaging/reference_resample.h"
#include "imaging/resample_detail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace kalidor {
namespace {

// A 24-bit picture whose blue, green and red planes are given row by row.
Bitmap planes(int w, int h, const std::vector<int>& blue, const std::vector<int>& green,
              const std::vector<int>& red) {
    Bitmap b(w, h, 24);
    for (int i = 0; i < w * h; ++i) {
        std::uint8_t* p = b.row(i / w) + 3 * (i % w);
        p[0] = static_cast<std::uint8_t>(blue[i]);
        p[1] = static_cast<std::uint8_t>(green[i]);
        p[2] = static_cast<std::uint8_t>(red[i]);
    }
    return b;
}

std::vector<int> plane(const Bitmap& b, int channel) {
    std::vector<int> v;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            v.push_back(b.row(y)[3 * x + channel]);
    return v;
}

// The stored value of pixel (x, y) whatever the format: index, word or packed bytes.
std::uint32_t pixelAt(const Bitmap& b, int x, int y) {
    const std::uint8_t* r = b.row(y);
    switch (b.bitsPerPixel()) {
    case 1: return (r[x / 8] >> (7 - x % 8)) & 1u;
    case 4: return x % 2 ? r[x / 2] & 0x0Fu : r[x / 2] >> 4;
    case 8: return r[x];
    case 16: return r[2 * x] | (r[2 * x + 1] << 8);
    case 24: return r[3 * x] | (r[3 * x + 1] << 8) | (r[3 * x + 2] << 16);
    default: return r[4 * x] | (r[4 * x + 1] << 8) | (r[4 * x + 2] << 16) | (std::uint32_t{r[4 * x + 3]} << 24);
    }
}

Bitmap randomBitmap(int w, int h, int bits, std::mt19937& rng) {
    Bitmap b(w, h, bits);
    for (std::size_t i = 0; i < b.byteSize(); ++i)
        b.data()[i] = static_cast<std::uint8_t>(rng());
    for (PaletteEntry& e : b.palette())
        e = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 0};
    return b;
}

void expectAssertion(const std::function<void()>& call, const std::string& routine) {
    try {
        call();
        ADD_FAILURE() << "no AssertionFailure from " << routine;
    } catch (const AssertionFailure& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind("Assertion failure (BitmapUtils, line ", 0), 0u) << message;
        EXPECT_NE(message.find(routine), std::string::npos) << message;
        // The two public resamplers name their fixed lines.
        const char* line = routine == "ResizeAverage" ? "line 942)" : routine == "ResizeBilinear" ? "line 1066)" : ")";
        EXPECT_NE(message.find(line), std::string::npos) << message;
    }
}

TEST(ResizeNearest, SamplesAnchoredAtTheTopLeftOfEachPixel) {
    const Bitmap row = planes(4, 1, {10, 20, 30, 40}, {1, 2, 3, 4}, {5, 6, 7, 8});
    EXPECT_EQ(plane(ResizeNearest(row, 2, 1), 0), (std::vector<int>{10, 30}));
    EXPECT_EQ(plane(ResizeNearest(row, 8, 1), 0), (std::vector<int>{10, 10, 20, 20, 30, 30, 40, 40}));
    EXPECT_EQ(plane(ResizeNearest(row, 3, 2), 2), (std::vector<int>{5, 6, 7, 5, 6, 7}));
}

TEST(ResizeNearest, CopiesPixelsOfEveryFormatAndKeepsThePalette) {
    std::mt19937 rng(7);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const Bitmap src = randomBitmap(13, 5, bits, rng);
        for (auto [w, h] : {std::pair{26, 10}, std::pair{5, 3}, std::pair{17, 1}}) {
            const Bitmap out = ResizeNearest(src, w, h);
            ASSERT_EQ(out.bitsPerPixel(), bits);
            ASSERT_EQ(out.width(), w);
            ASSERT_EQ(out.height(), h);
            EXPECT_EQ(out.palette(), src.palette());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(pixelAt(out, x, y), pixelAt(src, x * 13 / w, y * 5 / h))
                        << bits << " bits, " << w << " x " << h << " at " << x << ", " << y;
        }
    }
}

struct Shift {
    int dx;
    int dy;
};

SourcePoint shifted(int x, int y, const void* data) {
    const auto* s = static_cast<const Shift*>(data);
    return {x + s->dx, y + s->dy};
}

TEST(RemapBitmap, PaintsTheFillOutsideTheSourceInEachFormat) {
    const Color fill = 0x00ABCDEF;
    const std::vector<std::pair<int, std::uint32_t>> expected = {
        {1, 0x1}, {4, 0xF}, {8, 0xEF}, {16, 0xCDEF}, {24, 0xEFCDAB} /* blue, green, red bytes */, {32, 0x00ABCDEF}};
    std::mt19937 rng(11);
    for (auto [bits, value] : expected) {
        const Bitmap src = randomBitmap(6, 3, bits, rng);
        const Shift shift{-2, 1};  // two fill columns on the left, one fill row at the bottom
        const Bitmap out = RemapBitmap(src, 9, 3, &shift, fill, shifted);
        EXPECT_EQ(out.palette(), src.palette());
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 9; ++x) {
                const bool inside = x >= 2 && x < 8 && y < 2;
                ASSERT_EQ(pixelAt(out, x, y), inside ? pixelAt(src, x - 2, y + 1) : value)
                    << bits << " bits at " << x << ", " << y;
            }
        }
    }
    const Shift none{0, 0};
    const Bitmap fromEmpty = RemapBitmap(Bitmap(0, 0, 24), 2, 2, &none, 0x000000FF, shifted);
    EXPECT_EQ(plane(fromEmpty, 2), (std::vector<int>{255, 255, 255, 255}));
}

TEST(ResizeAverage, AveragesTheCoveredArea) {
    // Sum 99.99987 over an area of 4; 1 / 4 rounds to 0; the shortened edge keeps 255 at 255.
    const Bitmap src = planes(2, 2, {10, 20, 30, 40}, {0, 0, 0, 1}, {255, 255, 255, 255});
    const Bitmap out = ResizeAverage(src, 1, 1);
    EXPECT_EQ(plane(out, 0), std::vector<int>{25});
    EXPECT_EQ(plane(out, 1), std::vector<int>{0});
    EXPECT_EQ(plane(out, 2), std::vector<int>{255});

    // 2 x 2 to 1 x 3: the middle output takes 1/3 of the top-left pixel over an area of 4/3, a
    // half for 2 and one and a half for 6. The area held as a float lies just above 4/3, so both
    // round down; in double precision they would round up.
    const Bitmap corner = planes(2, 2, {2, 0, 0, 0}, {6, 0, 0, 0}, {0, 0, 0, 0});
    const Bitmap thirds = ResizeAverage(corner, 1, 3);
    EXPECT_EQ(thirds.row(1)[0], 0);
    EXPECT_EQ(thirds.row(1)[1], 1);
}

TEST(ResizeBilinear, SameSizeWeighsNeighboursByAnEighth) {
    // Per axis 1/8, 3/4, 1/8 inside and 7/8, 1/8 at the edges, all slightly less because every
    // interval is 0.000001 short: 1.5 and 10.5 round down, not to even.
    const Bitmap row = planes(3, 1, {16, 40, 80}, {12, 0, 0}, {0, 12, 0});
    const Bitmap r = ResizeBilinear(row, 3, 1);
    EXPECT_EQ(plane(r, 0), (std::vector<int>{19, 42, 75}));
    EXPECT_EQ(plane(r, 1), (std::vector<int>{10, 1, 0}));
    EXPECT_EQ(plane(r, 2), (std::vector<int>{1, 9, 1}));

    const Bitmap column = planes(1, 3, {12, 0, 0}, {0, 0, 0}, {0, 0, 0});
    EXPECT_EQ(plane(ResizeBilinear(column, 1, 3), 0), (std::vector<int>{10, 1, 0}));

    const Bitmap dot = planes(3, 3, {0, 0, 0, 0, 64, 0, 0, 0, 0}, std::vector<int>(9, 0), std::vector<int>(9, 0));
    EXPECT_EQ(plane(ResizeBilinear(dot, 3, 3), 0), (std::vector<int>{1, 6, 1, 6, 36, 6, 1, 6, 1}));
}

TEST(ResizeBilinear, ExactHalvesRoundToEven) {
    // 3 x 4 to 1 x 2: the lower output covers all of column 1 with weight 1 and row 2 with weight
    // 0.375 + 0.5 = 0.875 over an area of 6, so a value v there gives exactly v * 0.875 / 6: 3.5
    // for 24 and 10.5 for 72. Grouped differently, the sum falls a hair short of the half.
    Bitmap src(3, 4, 24);
    src.row(2)[3] = 24;
    src.row(2)[4] = 72;
    const Bitmap out = ResizeBilinear(src, 1, 2);
    EXPECT_EQ(out.row(1)[0], 4);
    EXPECT_EQ(out.row(1)[1], 10);
    EXPECT_EQ(out.row(1)[2], 0);
}

TEST(Resamplers, KeepASingleColourUpToAHundredTimesTheSize) {
    std::mt19937 rng(3);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{7, 5}}) {
        for (Color colour : {0x00FFFFFFu, 0x00010203u, 0x00FE7F80u, static_cast<Color>(rng() & 0xFFFFFF)}) {
            Bitmap src(w, h, 24);
            src.fillBgr24(colour);
            const std::vector<std::pair<int, int>> sizes = {
                {1, 1}, {w, h}, {2 * w + 1, 3 * h}, {13 * w, 7 * h + 2}, {100 * w, h}, {w, 100 * h}, {100 * w, 100 * h}};
            for (auto [ow, oh] : sizes) {
                Bitmap expected(ow, oh, 24);
                expected.fillBgr24(colour);
                EXPECT_EQ(ResizeBilinear(src, ow, oh), expected) << w << "x" << h << " to " << ow << "x" << oh;
                EXPECT_EQ(ResizeAverage(src, ow, oh), expected) << w << "x" << h << " to " << ow << "x" << oh;
            }
        }
    }
}

TEST(Resamplers, RefuseEmptySourcesAndOutputsNamingTheRoutine) {
    const Bitmap one(1, 1, 24);
    expectAssertion([] { ResizeAverage(Bitmap(0, 3), 2, 2); }, "ResizeAverage");
    expectAssertion([] { ResizeAverage(Bitmap(3, 0), 2, 2); }, "ResizeAverage");
    expectAssertion([&] { ResizeAverage(one, 0, 2); }, "ResizeAverage");
    expectAssertion([] { ResizeBilinear(Bitmap(0, 3), 2, 2); }, "ResizeBilinear");
    expectAssertion([] { ResizeBilinear(Bitmap(3, 0), 2, 2); }, "ResizeBilinear");
    expectAssertion([&] { ResizeBilinear(one, 2, 0); }, "ResizeBilinear");
    expectAssertion([] { ResizeNearest(Bitmap(0, 3), 2, 2); }, "ResizeNearest");
    expectAssertion([&] { ResizeNearest(one, 0, 1); }, "ResizeNearest");
    expectAssertion([&] { RemapBitmap(one, 0, 1, nullptr, 0, shifted); }, "RemapBitmap");
    expectAssertion([&] { ResizeBilinear(one, -5, 3); }, "ResizeBilinear");
    expectAssertion([&] { ResizeBilinearWindow(one, 10, 10, 5, 5, 6, 1); }, "ResizeBilinearWindow");
    expectAssertion([&] { ResizeBilinearWindow(one, 10, 10, -1, 0, 2, 2); }, "ResizeBilinearWindow");
    expectAssertion([&] { ResizeBilinearWindow(one, 10, 10, 0, 0, 0, 2); }, "ResizeBilinearWindow");
}

// Pictures that make many sums land on or next to a half: flat areas, sharp edges, sparse values.
Bitmap testPicture(int kind, int w, int h, std::mt19937& rng) {
    Bitmap b(w, h, 24);
    const int a = static_cast<int>(rng() % 256), c = static_cast<int>(rng() % 256);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int ch = 0; ch < 3; ++ch) {
                int v = 0;
                switch (kind) {
                case 0: v = static_cast<int>(rng() % 256); break;
                case 1: v = a; break;
                case 2: v = (x + ch) % 2 ? a : c; break;
                case 3: v = (y / 2) % 2 ? 255 : 0; break;
                case 4: v = (x + y) % 2 ? 4 * ch : 12; break;
                case 5: v = (x * 255 / std::max(w - 1, 1) + y * 3) % 256; break;
                default: v = rng() % 7 == 0 ? static_cast<int>(rng() % 8) * 4 : 0; break;
                }
                b.row(y)[3 * x + ch] = static_cast<std::uint8_t>(v);
            }
        }
    }
    return b;
}

int outputSize(int n, std::mt19937& rng) {
    switch (rng() % 6) {
    case 0: return n;
    case 1: return 2 * n;
    case 2: return 4 * n;
    case 3: return std::max(1, n / 2);
    case 4: return 1 + static_cast<int>(rng() % static_cast<unsigned>(10 * n));
    default: return 1 + static_cast<int>(rng() % 3);
    }
}

::testing::AssertionResult sameBytes(const Bitmap& fast, const Bitmap& reference) {
    if (fast.width() != reference.width() || fast.height() != reference.height())
        return ::testing::AssertionFailure() << "size differs";
    for (int y = 0; y < fast.height(); ++y)
        for (int i = 0; i < 3 * fast.width(); ++i)
            if (fast.row(y)[i] != reference.row(y)[i])
                return ::testing::AssertionFailure() << "pixel " << i / 3 << ", " << y << " channel " << i % 3 << ": "
                                                     << int{fast.row(y)[i]} << " instead of " << int{reference.row(y)[i]};
    return ::testing::AssertionSuccess();
}

// Run once with the resampler's wide vectors (where the processor has them) and once without.
class ResamplerVectors : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { detail::UseWideVectors(GetParam()); }
    void TearDown() override { detail::UseWideVectors(true); }
};

TEST_P(ResamplerVectors, MatchTheReferenceByteForByte) {
    std::mt19937 rng(20240611);
    const auto start = std::chrono::steady_clock::now();
    int cases = 0;
    for (; cases < 4000 && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500); ++cases) {
        const int w = 1 + static_cast<int>(rng() % (cases % 5 == 0 ? 3 : 48));
        const int h = 1 + static_cast<int>(rng() % (cases % 7 == 0 ? 3 : 48));
        const int kind = static_cast<int>(rng() % 7);
        Bitmap src = testPicture(kind, w, h, rng);
        if (cases % 9 == 0)  // also through the conversion of a paletted source
            src = randomBitmap(w, h, 8, rng);
        const int ow = outputSize(w, rng), oh = outputSize(h, rng);
        const std::string what = "case " + std::to_string(cases) + ": picture " + std::to_string(kind) + ", " +
                                 std::to_string(w) + "x" + std::to_string(h) + " to " + std::to_string(ow) + "x" +
                                 std::to_string(oh);
        ASSERT_TRUE(sameBytes(ResizeBilinear(src, ow, oh), test::ReferenceResizeBilinear(src, ow, oh))) << what;
        ASSERT_TRUE(sameBytes(ResizeAverage(src, ow, oh), test::ReferenceResizeAverage(src, ow, oh))) << what;
    }
    EXPECT_GE(cases, 200);
    RecordProperty("cases", cases);

    // Enlarged so far that each interval is shorter than its 0.000001 cut: negative weights.
    const Bitmap pair = testPicture(0, 2, 1, rng);
    EXPECT_TRUE(sameBytes(ResizeBilinear(pair, 2'100'000, 1), test::ReferenceResizeBilinear(pair, 2'100'000, 1)));

    // A frame-sized ratio: 160 x 120 to 466 x 346, as 640 x 480 to 1865 x 1384.
    const Bitmap photo = testPicture(0, 160, 120, rng);
    EXPECT_TRUE(sameBytes(ResizeBilinear(photo, 466, 346), test::ReferenceResizeBilinear(photo, 466, 346)));
}

INSTANTIATE_TEST_SUITE_P(Widths, ResamplerVectors, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Wide" : "Pairs"; });

TEST(ResizeBilinearWindow, EqualsTheSamePixelsOfTheWholeOutput) {
    std::mt19937 rng(5);
    for (int round = 0; round < 60; ++round) {
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 40);
        const Bitmap src = testPicture(static_cast<int>(rng() % 7), w, h, rng);
        const int ow = outputSize(w, rng), oh = outputSize(h, rng);
        const Bitmap whole = ResizeBilinear(src, ow, oh);
        const int left = static_cast<int>(rng() % ow), top = static_cast<int>(rng() % oh);
        const int ww = 1 + static_cast<int>(rng() % (ow - left)), wh = 1 + static_cast<int>(rng() % (oh - top));
        const Bitmap window = ResizeBilinearWindow(src, ow, oh, left, top, ww, wh);
        Bitmap crop(ww, wh, 24);
        for (int y = 0; y < wh; ++y)
            std::copy_n(whole.row(top + y) + 3 * left, 3 * ww, crop.row(y));
        ASSERT_TRUE(sameBytes(window, crop)) << w << "x" << h << " to " << ow << "x" << oh << ", window " << left
                                             << "," << top << " " << ww << "x" << wh;
    }
}

}  // namespace
}  // namespace kalidor
