#include "encode/encoder_entry.h"
#include "encode/frame_sequence.h"
#include "platform/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace kalidor {
namespace {

namespace fs = std::filesystem;

TEST(FrameSequence, FramesWithinTheDuration) {
    const struct {
        const char* rate;
        const char* seconds;
        std::optional<long> frames;
    } cases[] = {
        {"30", "6.1", 183},  {"30", "0.1", 3},      {"30", "10", 300},       {"25", "1.02", 26},
        {"30", "0.01", 1},   {"30", "0", 0},        {"30", "1:00", std::nullopt}, {"30", "", std::nullopt},
        {"0", "5", std::nullopt}, {"30000/1001", "5", std::nullopt}, {"30", "1e3", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FramesWithin(c.rate, c.seconds), c.frames) << c.rate << " " << c.seconds;
}

TEST(FrameSequence, FilesFromTheFirstNumberAndTheFirstMissingOneNamed) {
    test::TempFolder dir;
    const std::string pattern = dir.dir() + "50%/%6d.jpg";
    fs::create_directories(dir.path() / "50%");
    EXPECT_EQ(UnescapeFramePattern(EscapeFramePattern(pattern)), pattern);
    EXPECT_EQ(FrameFilePath(pattern, 12), dir.dir() + "50%/000012.jpg");
    EXPECT_THROW(FindFrameFiles(pattern, 3), Error);  // nothing numbered 0 to 4
    for (int n : {2, 3, 4, 6})
        test::writeText(FrameFilePath(pattern, n), "x");
    fs::create_hard_link(FrameFilePath(pattern, 4), FrameFilePath(pattern, 5));
    const auto all = FindFrameFiles(pattern, std::nullopt);  // up to the first gap
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].path, FrameFilePath(pattern, 2));
    EXPECT_EQ(all[2].inode, all[3].inode);
    EXPECT_NE(all[1].inode, all[2].inode);
    EXPECT_EQ(FindFrameFiles(pattern, 2).size(), 2u);
    try {
        FindFrameFiles(pattern, 6);
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(FrameFilePath(pattern, 7) + " is missing"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace kalidor
