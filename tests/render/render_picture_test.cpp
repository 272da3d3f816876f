#include "imaging/jpeg_codec.h"
#include "render/frame_writer.h"
#include "render/render_picture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace kalidor {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

class Counter : public FrameProgress {
public:
    void ReportFrame() override { ++reports; }
    bool CancelRequested() override {
        ++polls;
        return false;
    }
    int reports = 0, polls = 0;
};

Bitmap picture(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.row(y)[3 * x + 1] = static_cast<std::uint8_t>(40 + (x * 200) / w);
    return b;
}

TEST(RenderPicture, EveryActionWritesItsFramesAndKeepsNumbering) {
    const Bitmap fitted = picture(160, 120);
    for (int action : {0, 1, 2, 3, 4, 5, 6, 7, 255}) {
        TempFolder dir;
        TThPicObject o;
        o.PicAction = static_cast<std::uint8_t>(action);
        o.DisplayTime = 3;
        Counter c;
        EXPECT_EQ(RenderPicture(fitted, dir.path().string(), o, 91, c, {.workers = 2}), 181) << action;
        EXPECT_EQ(c.reports, 90);
        EXPECT_EQ(c.polls, 90);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 90);
        EXPECT_TRUE(fs::exists(dir.path() / "000091.jpg"));
        EXPECT_TRUE(fs::exists(dir.path() / "000180.jpg"));
    }
}

TEST(RenderPicture, StillFramesCarryTheCaptionAndAreIdentical) {
    const Bitmap fitted = picture(320, 240);
    TThPicObject o;
    o.DisplayTime = 3;
    o.Text = "テスト Test";
    o.StrAction = asCenterC;
    o.Font.Color = 0x000000FF;
    o.Font.Size = 30;
    TempFolder with, without;
    Counter c;
    RenderPicture(fitted, with.dir(), o, 1, c);
    o.StrAction = asNone;
    RenderPicture(fitted, without.dir(), o, 1, c);
    const auto first = test::readBytes(with.path() / "000001.jpg");
    EXPECT_EQ(test::readBytes(with.path() / "000090.jpg"), first);
    EXPECT_NE(test::readBytes(without.path() / "000001.jpg"), first);
    // Red ink in the middle of the frame, where the caption stands.
    const Bitmap frame = jpeg::decode(first);
    int reddish = 0;
    for (int y = 100; y < 140; ++y)
        for (int x = 100; x < 220; ++x)
            reddish += frame.row(y)[3 * x + 2] > 80;  // the picture itself has no red
    EXPECT_GT(reddish, 50);
}

TEST(RenderPicture, ClosingFramesAreBlack) {
    TempFolder dir;
    EXPECT_EQ(WriteClosingFrames(160, 120, dir.dir(), 211), 214);
    for (int n : {211, 212, 213}) {
        const Bitmap frame = jpeg::decode(test::readBytes(dir.path() / FrameFileName(n)));
        ASSERT_EQ(frame.width(), 160);
        ASSERT_EQ(frame.height(), 120);
        for (std::size_t i = 0; i < frame.byteSize(); ++i)
            ASSERT_LE(frame.data()[i], 1);
        EXPECT_EQ(fs::hard_link_count(dir.path() / FrameFileName(n)), 3u);
    }
    EXPECT_FALSE(fs::exists(dir.path() / "000214.jpg"));
}

// Where a link cannot be made (here: across file systems), the frame gets the bytes instead.
TEST(RenderPicture, LinkFallsBackToWritingTheBytes) {
    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no second file system at /dev/shm";
    TempFolder here;
    const std::string elsewhere = "/dev/shm/kalidor-link-test-" + std::to_string(::getpid()) + ".jpg";
    const std::vector<std::uint8_t> bytes = {0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9};
    WriteWholeFile(elsewhere, bytes);
    const fs::path copy = here.path() / "000001.jpg";
    LinkOrWriteFile(elsewhere, copy.string(), bytes);
    const bool sameFileSystem = fs::hard_link_count(elsewhere) == 2;
    fs::remove(elsewhere);
    if (sameFileSystem)
        GTEST_SKIP() << "/dev/shm is on the same file system here";
    EXPECT_EQ(test::readBytes(copy), bytes);
    EXPECT_EQ(fs::hard_link_count(copy), 1u);
}

// A long picture is written a piece of its plan at a time; a reversed effect must still put
// its frames in mirror order across the pieces: zoom-out frame i is zoom-in frame n + 1 - i.
TEST(RenderPicture, LongReversedEffectsKeepTheirOrderAcrossPieces) {
    const Bitmap fitted = picture(12, 9);
    TempFolder in, out;
    TThPicObject o;
    o.DisplayTime = 140;  // 4200 frames, more than one piece
    Counter c;
    o.PicAction = apZoomIN;
    ASSERT_EQ(RenderPicture(fitted, in.path().string(), o, 1, c), 4201);
    o.PicAction = apZoomOut;
    ASSERT_EQ(RenderPicture(fitted, out.path().string(), o, 1, c), 4201);
    for (int i : {1, 2, 104, 105, 4096, 4097, 4199, 4200})
        EXPECT_EQ(test::readBytes(out.path() / FrameFileName(i)), test::readBytes(in.path() / FrameFileName(4201 - i)))
            << i;
}

}  // namespace
}  // namespace kalidor
