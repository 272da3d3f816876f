#include "encode/frame_feed.h"

#include "encode/folder_watch.h"
#include "encode/frames_in_progress.h"
#include "imaging/bitmap.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>
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

// Frames still being written are taken as they come, each name removed once fed. A file that is
// linked under another frame's name after some of its frames were fed (and their names removed)
// is decoded only once. When the writer has finished without a frame, the feed fails naming it,
// from Finish, whether the writer finished before the feed was prepared (a finished folder) or
// after (frames followed).
TEST(FrameFeed, FollowsFramesStillBeingWritten) {
    namespace fs = std::filesystem;
    const PlaneLayout layout{64, 48, true};
    // Twelve frames: 1 to 4, 11 and 12 of their own, 5 to 10 links of one file.
    const std::vector<int> fileOf = {0, 1, 2, 3, 4, 4, 4, 4, 4, 4, 5, 6};
    std::vector<std::vector<std::uint8_t>> jpegs, planes;
    PlaneDecoder decoder;
    for (int k = 0; k < 7; ++k) {
        Bitmap picture(layout.width, layout.height, 24);
        for (int y = 0; y < layout.height; ++y)
            for (int x = 0; x < 3 * layout.width; ++x)
                picture.row(y)[x] = static_cast<std::uint8_t>(x * (k + 2) + y * 5);
        jpegs.push_back(jpeg::encode(picture, 100));
        planes.emplace_back();
        decoder.decode(jpegs.back(), "frame", layout, planes.back());
    }
    // Every frame; frame 4 never written, the writer ending once frame 1 is fed (the feed
    // follows) or before the feed is prepared (a finished folder).
    enum class Writer { Complete, MissingWhileFollowed, MissingBeforePrepared };
    for (const Writer how : {Writer::Complete, Writer::MissingWhileFollowed, Writer::MissingBeforePrepared}) {
        SCOPED_TRACE(static_cast<int>(how));
        const bool finished = how == Writer::Complete;
        test::TempFolder folder;
        const fs::path dir = folder.path();
        const auto name = [&](int n) { return dir / FrameFilePath("%6d.jpg", n); };
        auto mark = std::make_unique<FramesInProgressMark>(folder.dir());
        std::jthread writer([&] {
            FolderWatch watch(folder.dir());
            const auto place = [&](int n) {  // whole, as the export writes them
                test::writeBytes(dir / ".part", jpegs[fileOf[n - 1]]);
                fs::rename(dir / ".part", name(n));
            };
            for (int n = 1; n <= (finished ? 4 : 3); ++n)
                place(n);
            // Fed and removed: before its repeats come, or before the writer ends.
            const auto waitUntilFed = [&](int n) {
                while (fs::exists(name(n)))
                    watch.Wait();
            };
            if (finished) {
                test::writeBytes(dir / ".shared", jpegs[4]);
                fs::create_hard_link(dir / ".shared", name(5));
                waitUntilFed(5);
                for (int n = 6; n <= 10; ++n)
                    fs::create_hard_link(dir / ".shared", name(n));
                fs::remove(dir / ".shared");
                place(11);
                place(12);
            } else if (how == Writer::MissingWhileFollowed) {
                waitUntilFed(1);
            }
            mark->Finish();
        });
        if (how == Writer::MissingBeforePrepared)
            writer.join();
        EncoderInvocation job;
        job.options = {"-y", "-r", "30", "-i", folder.dir() + "%6d.jpg", "-vcodec", "mpeg4", "-t", "0.4"};
        std::unique_ptr<FrameFeed> feed = FrameFeed::Prepare(job, 2, std::to_string(::getpid()));
        ASSERT_NE(feed, nullptr);
        const int reader = ::dup(feed->encoderEnd());
        feed->Start();
        std::vector<std::uint8_t> got;
        std::uint8_t part[4096];
        for (ssize_t n; (n = ::read(reader, part, sizeof part)) > 0;)
            got.insert(got.end(), part, part + n);
        ::close(reader);
        const std::string error = feed->Finish();
        if (writer.joinable())
            writer.join();
        if (!finished) {
            EXPECT_NE(error.find(name(4).string() + " is missing"), std::string::npos) << error;
            EXPECT_EQ(got.size(), 3 * layout.frameBytes());  // the frames before it
            continue;
        }
        EXPECT_EQ(error, "");
        EXPECT_TRUE(feed->followsWriter());  // frame 5 is fed before the writer finishes
        EXPECT_EQ(feed->distinctFrames(), 7u);
        EXPECT_TRUE(fs::is_empty(dir));
        ASSERT_EQ(got.size(), 12 * layout.frameBytes());
        for (std::size_t f = 0; f < 12; ++f)
            EXPECT_TRUE(std::equal(planes[fileOf[f]].begin(), planes[fileOf[f]].end(),
                                   got.begin() + static_cast<std::ptrdiff_t>(f * layout.frameBytes())))
                << "frame " << f + 1;
    }
}

}  // namespace
}  // namespace kalidor
