#include "render/encoder_failure.h"

#include "encode/line_splitter.h"
#include "render/encoder_progress.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace kalidor {
namespace {

// ffmpeg's last error line may name no file although one of its input files did not decode.
TEST(EncoderOutputTail, NamesTheInputFileThatDidNotDecode) {
    const std::vector<std::string> opening = {
        "Input #0, rawvideo, from 'pipe:3':", "Input #1, mp3, from '/m/it's.mp3':", "Stream mapping:"};
    const std::string undecoded = "Error while decoding stream #1:0: Invalid data found when processing input";
    const struct {
        std::vector<std::string> lines;
        std::string reason;
    } cases[] = {
        {{undecoded, "[mp3float @ 0x5] Header missing", undecoded, "Error configuring filter graph", "Conversion failed!"},
         "Error configuring filter graph, after errors decoding /m/it's.mp3: Invalid data found when processing input "
         "(the encoder ended with exit code 1)"},
        // The line names the file already; the frames' pipe is no file; nothing failed to decode.
        {{undecoded, "/m/it's.mp3: Invalid argument"}, "/m/it's.mp3: Invalid argument (the encoder ended with exit code 1)"},
        {{"Error while decoding stream #0:0: Invalid data", "Error configuring filter graph"},
         "Error configuring filter graph (the encoder ended with exit code 1)"},
        {{"Error configuring filter graph"}, "Error configuring filter graph (the encoder ended with exit code 1)"},
    };
    for (const auto& c : cases) {
        EncoderOutputTail tail;
        for (const auto& line : opening)
            tail.Add(line);
        for (const auto& line : c.lines)
            tail.Add(line);
        EXPECT_EQ(tail.Reason(1), c.reason);
    }
}

// What ffmpeg 5.1 and 7.1 really wrote for the encoder entry's argument line
// (tests/data/ffmpeg_output/capture.sh), read in pieces as a pipe gives them: the frame counts the
// export shows, and the reason of a failure naming the music file.
TEST(EncoderOutput, ReadsWhatEachFfmpegReleaseWrites) {
    const std::string folder = "/tmp/kalidor-ffmpeg-output/";
    const std::string undecodable = ", after errors decoding " + folder + "noise.mp3: Invalid data found when processing input";
    const struct {
        const char* file;
        int lastFrame;  // -1: no progress line
        std::uint32_t exitCode;
        std::string reason;
    } cases[] = {
        {"ffmpeg-5.1-music.txt", 183, 0, ""},
        {"ffmpeg-7.1-music.txt", 183, 0, ""},
        {"ffmpeg-5.1-undecodable-music.txt", -1, 1,
         "Error configuring filter graph" + undecodable + " (the encoder ended with exit code 1)"},
        {"ffmpeg-7.1-undecodable-music.txt", 0, 69,
         "Nothing was written into output file, because at least one of its streams received no packets" +
             undecodable + " (the encoder ended with exit code 69)"},
        {"ffmpeg-5.1-unreadable-music.txt", -1, 1, folder + "text.mp3: Invalid argument (the encoder ended with exit code 1)"},
        {"ffmpeg-7.1-unreadable-music.txt", -1, 183,
         folder + "text.mp3: Invalid data found when processing input (the encoder ended with exit code 183)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string output = test::readText(std::string(KALIDOR_TEST_DATA) + "/ffmpeg_output/" + c.file);
        ASSERT_FALSE(output.empty());
        LineSplitter splitter;
        EncoderOutputTail tail;
        std::vector<int> frames;
        for (std::size_t at = 0; at < output.size(); at += 97) {
            for (const OutputLine& line : splitter.Feed(std::string_view(output).substr(at, 97))) {
                tail.Add(line.text);
                if (const auto n = EncodedFrameCount(line.text))
                    frames.push_back(*n);
            }
        }
        EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
        EXPECT_EQ(frames.empty() ? -1 : frames.back(), c.lastFrame);
        if (c.exitCode == 0) {
            // A report each half second of a 6-second encode.
            EXPECT_GE(std::set<int>(frames.begin(), frames.end()).size(), 10u);
        } else {
            EXPECT_EQ(tail.Reason(c.exitCode), c.reason);
        }
    }
}

}  // namespace
}  // namespace kalidor
