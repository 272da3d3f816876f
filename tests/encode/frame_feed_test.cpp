#include "encode/frame_feed.h"

#include "imaging/bitmap.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <unistd.h>

namespace kalidor {
namespace {

// The pipe holds the feed's own memory until the encoder reads it, so a frame's memory must not
// be decoded into again before that. A reader far slower than the decoders, on frames larger
// than the pipe, sees every frame exactly as decoded, repeats (links) included.
TEST(FrameFeed, ASlowReaderGetsEveryFrameAsDecoded) {
    test::TempFolder folder;
    const int width = 640, height = 480, distinct = 6;
    std::vector<std::vector<std::uint8_t>> expected;
    PlaneDecoder decoder;
    const PlaneLayout layout{width, height, true};
    for (int k = 0; k < distinct; ++k) {
        Bitmap picture(width, height, 24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 3 * width; ++x)
                picture.row(y)[x] = static_cast<std::uint8_t>(x * (k + 1) + y * 3 + k * 40);
        const std::vector<std::uint8_t> jpeg = jpeg::encode(picture, 100);
        expected.emplace_back();
        decoder.decode(jpeg, "frame", layout, expected.back());
        // Frame 2k+1, and 2k+2 as a link of it.
        char name[16];
        std::snprintf(name, sizeof name, "%06d.jpg", 2 * k + 1);
        test::writeBytes(folder.path() / name, jpeg);
        char link[16];
        std::snprintf(link, sizeof link, "%06d.jpg", 2 * k + 2);
        ASSERT_EQ(::link((folder.path() / name).c_str(), (folder.path() / link).c_str()), 0);
    }
    EncoderInvocation job;
    job.options = {"-y", "-r", "30", "-i", (folder.path() / "%6d.jpg").string(), "-vcodec", "mpeg4"};
    std::unique_ptr<FrameFeed> feed = FrameFeed::Prepare(job);
    ASSERT_NE(feed, nullptr);
    EXPECT_EQ(feed->frameCount(), 2u * distinct);
    EXPECT_EQ(feed->distinctFrames(), static_cast<std::size_t>(distinct));
    const int reader = ::dup(feed->encoderEnd());
    feed->Start();

    std::vector<std::uint8_t> got;
    std::uint8_t part[64];
    for (ssize_t n; (n = ::read(reader, part, sizeof part)) > 0;)
        got.insert(got.end(), part, part + n);
    ::close(reader);
    EXPECT_EQ(feed->Finish(), "");
    const std::size_t frameBytes = layout.frameBytes();
    ASSERT_EQ(got.size(), 2 * distinct * frameBytes);
    for (int f = 0; f < 2 * distinct; ++f)
        EXPECT_TRUE(std::equal(expected[f / 2].begin(), expected[f / 2].end(), got.begin() + f * frameBytes))
            << "frame " << f + 1;
}

}  // namespace
}  // namespace kalidor
