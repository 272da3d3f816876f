#include "platform/error.h"
#include "render/fit_to_movie_frame.h"
#include "render/scale_brightness.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace kalidor {
namespace {

TEST(FitToMovieFrame, SizesAndOffsets) {
    struct Case {
        int w, h, frameWidth, frameHeight;
        FrameFit expected;
    } cases[] = {
        {1000, 750, 640, 480, {640, 480, 0, 0}},
        {800, 600, 640, 360, {480, 360, 80, 0}},  // 640 x 480 is too high
        {600, 800, 640, 480, {360, 480, 140, 0}},
        {1000, 701, 640, 480, {640, 449, 0, 16}},  // 448.64 rounds up; 15.5 rounds to even
        {500, 500, 640, 480, {480, 480, 80, 0}},
        {200, 150, 640, 480, {640, 480, 0, 0}},
        {1, 1000, 640, 480, {1, 480, 320, 0}},  // 0.48 would round to 0: kept at 1
        {635, 480, 640, 480, {635, 480, 2, 0}},  // a difference of 5 gives 2
        {633, 480, 640, 480, {633, 480, 4, 0}},  // a difference of 7 gives 4
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitInFrame(c.w, c.h, c.frameWidth, c.frameHeight), c.expected) << c.w << "x" << c.h;
}

TEST(FitToMovieFrame, CentresOnBlackByPixelRepetition) {
    Bitmap picture(2, 2, 8);  // paletted sources come out 24-bit
    picture.palette()[1] = {10, 20, 30, 0};
    picture.palette()[2] = {40, 50, 60, 0};
    picture.row(0)[0] = 1;
    picture.row(0)[1] = 2;
    picture.row(1)[0] = 2;
    picture.row(1)[1] = 1;
    FitToMovieFrame(picture, 8, 4);  // 4 x 4 at x = 2
    ASSERT_EQ(picture.width(), 8);
    ASSERT_EQ(picture.height(), 4);
    ASSERT_EQ(picture.bitsPerPixel(), 24);
    auto blue = [&](int x, int y) { return picture.row(y)[3 * x]; };
    EXPECT_EQ(blue(0, 0), 0);
    EXPECT_EQ(blue(1, 3), 0);
    EXPECT_EQ(blue(2, 0), 10);
    EXPECT_EQ(blue(3, 1), 10);
    EXPECT_EQ(blue(4, 0), 40);
    EXPECT_EQ(blue(5, 3), 10);
    EXPECT_EQ(blue(6, 0), 0);

    Bitmap empty;
    EXPECT_THROW(FitToMovieFrame(empty, 640, 480), Error);
}

TEST(ScaleBrightness, RoundsHalvesToEvenAndLimits) {
    Bitmap b(4, 1);
    const std::uint8_t values[] = {1, 3, 5, 200, 255, 0, 15, 45, 7, 9, 11, 13};
    std::copy(std::begin(values), std::end(values), b.data());
    Bitmap half = b;
    ScaleBrightness(half, 0.5);
    const std::uint8_t halved[] = {0, 2, 2, 100, 128, 0, 8, 22, 4, 4, 6, 6};
    EXPECT_TRUE(std::equal(std::begin(halved), std::end(halved), half.data()));
    Bitmap bright = b;
    ScaleBrightness(bright, 32 / 30.0);
    EXPECT_EQ(bright.data()[3], 213);  // 213.33
    EXPECT_EQ(bright.data()[4], 255);  // 272 is limited
    Bitmap paletted(1, 1, 8);
    paletted.palette()[0] = {100, 0, 0, 0};
    ScaleBrightness(paletted, 1 / 30.0);
    EXPECT_EQ(paletted.bitsPerPixel(), 24);
    EXPECT_EQ(paletted.data()[0], 3);
}

// Every channel value, at every fade factor and past the limit, as Round(v x factor).
TEST(ScaleBrightness, WholeBitmapsMatchTheFormula) {
    Bitmap b(300, 3);  // 2700 bytes: whole vector blocks and a tail
    for (std::size_t i = 0; i < b.byteSize(); ++i)
        b.data()[i] = static_cast<std::uint8_t>(i * 7 % 256);
    std::vector<double> factors{0.0, 0.5, 32 / 30.0, 3.0};
    for (int k = 1; k <= 30; ++k)
        factors.push_back(k / 30.0);
    for (double factor : factors) {
        Bitmap scaled = b;
        ScaleBrightness(scaled, factor);
        for (std::size_t i = 0; i < b.byteSize(); ++i)
            ASSERT_EQ(scaled.data()[i], std::clamp(std::nearbyint(b.data()[i] * factor), 0.0, 255.0))
                << "factor " << factor << ", byte " << i;
    }
}

}  // namespace
}  // namespace kalidor
