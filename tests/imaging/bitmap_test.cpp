#include "imaging/bitmap.h"
#include "platform/error.h"

#include <gtest/gtest.h>

namespace kalidor {
namespace {

TEST(Bitmap, RowsArePackedPerFormat) {
    EXPECT_EQ(Bitmap(9, 2, 1).stride(), 2u);
    EXPECT_EQ(Bitmap(3, 2, 4).stride(), 2u);
    EXPECT_EQ(Bitmap(5, 1, 24).stride(), 15u);
    EXPECT_EQ(Bitmap(5, 1, 16).stride(), 10u);
    EXPECT_EQ(Bitmap(2, 2, 8).palette().size(), 256u);
    EXPECT_TRUE(Bitmap(2, 2, 24).palette().empty());
}

TEST(Bitmap, RefusesBadSizesBeforeAllocating) {
    EXPECT_THROW(Bitmap(-1, 1), Error);
    EXPECT_THROW(Bitmap(1, 1, 12), Error);
    EXPECT_THROW(Bitmap(20000, 20000), Error);
    EXPECT_TRUE(Bitmap(0, 5).empty());
}

TEST(Bitmap, ConvertsEveryFormatToBgr24) {
    Bitmap mono(9, 1, 1);
    mono.palette()[1] = {10, 20, 30, 0};
    mono.row(0)[0] = 0b0100'0000;  // pixel 1
    mono.row(0)[1] = 0b1000'0000;  // pixel 8
    Bitmap m = mono.toBgr24();
    EXPECT_EQ(m.row(0)[3], 10);
    EXPECT_EQ(m.row(0)[5], 30);
    EXPECT_EQ(m.row(0)[0], 0);
    EXPECT_EQ(m.row(0)[8 * 3 + 1], 20);

    Bitmap nibbles(2, 1, 4);
    nibbles.palette()[3] = {1, 2, 3, 0};
    nibbles.palette()[5] = {4, 5, 6, 0};
    nibbles.row(0)[0] = 0x35;
    Bitmap n = nibbles.toBgr24();
    EXPECT_EQ(n.row(0)[0], 1);
    EXPECT_EQ(n.row(0)[3], 4);

    Bitmap word(1, 1, 16);
    word.row(0)[0] = 0xFF;  // blue 31, green low bits 7
    word.row(0)[1] = 0x7C;  // red 31, green high bits 0
    Bitmap w = word.toBgr24();
    EXPECT_EQ(w.row(0)[0], 255);
    EXPECT_EQ(w.row(0)[1], (7 << 3) | (7 >> 2));
    EXPECT_EQ(w.row(0)[2], 255);

    Bitmap quad(1, 1, 32);
    quad.row(0)[0] = 7;
    quad.row(0)[1] = 8;
    quad.row(0)[2] = 9;
    quad.row(0)[3] = 200;
    Bitmap q = quad.toBgr24();
    EXPECT_EQ(q.row(0)[0], 7);
    EXPECT_EQ(q.row(0)[2], 9);
}

TEST(Bitmap, FillUsesRedInTheLowByte) {
    Bitmap b(2, 1);
    b.fillBgr24(0x00112233);
    EXPECT_EQ(b.row(0)[0], 0x11);  // blue
    EXPECT_EQ(b.row(0)[2], 0x33);  // red
    EXPECT_EQ(b.row(0)[5], 0x33);
}

}  // namespace
}  // namespace kalidor
