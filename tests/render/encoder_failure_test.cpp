#include "render/encoder_failure.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kalidor
