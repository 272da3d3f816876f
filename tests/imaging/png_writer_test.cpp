#include "imaging/png_codec.h"
#include "imaging/png_writer.h"

#include "platform/error.h"

#include <gtest/gtest.h>

namespace kalidor {
namespace {

// A picture whose every byte differs, so swapped channels or rows show.
Bitmap pattern(int width, int height, int bits) {
    Bitmap b(width, height, bits);
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < b.stride(); ++i)
            b.row(y)[i] = static_cast<std::uint8_t>(37 * y + 11 * i + 5);
    return b;
}

TEST(PngWriter, ReadsBackWhatWasWritten) {
    for (const int bits : {24, 32, 8}) {
        Bitmap written = pattern(5, 3, bits);
        if (bits == 8)
            for (int i = 0; i < 256; ++i)
                written.palette().push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2), 0});
        const Bitmap read = png::decode(png::encode(written));
        ASSERT_EQ(read.width(), 5);
        ASSERT_EQ(read.height(), 3);
        Bitmap expected = written.bitsPerPixel() == 32 ? Bitmap(5, 3) : written.toBgr24();
        if (bits == 32) {
            // The reader composes over black: channel x alpha / 255, rounded.
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    for (int c = 0; c < 3; ++c) {
                        const unsigned alpha = written.row(y)[x * 4 + 3];
                        expected.row(y)[x * 3 + c] =
                            static_cast<std::uint8_t>((written.row(y)[x * 4 + c] * alpha + 127) / 255);
                    }
        }
        EXPECT_EQ(read, expected) << bits << " bits";
    }
    EXPECT_THROW(png::encode(Bitmap()), Error);
}

}  // namespace
}  // namespace kalidor
