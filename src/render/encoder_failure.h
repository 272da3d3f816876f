#pragma once
// Why the encoder failed, from the last lines of its output: the encoder entry's own message
// ("lib/ffmpeg: cannot create a partial file beside /movies/a.mp4: Permission denied") or else
// ffmpeg's last error line ("/music/a.mp3: Invalid data found when processing input"), without
// ffmpeg's "[mp4 @ 0x55d0...] " context. When ffmpeg's line names no file but it could not open
// or decode one of its input files, that file is named too: ffmpeg 7 ends either with a line that
// names none ("Error opening input files: ...", "Nothing was written into output file, ..."),
// and so does ffmpeg 5 for music of random bytes ("Error configuring filter graph").

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace kalidor {

// The failure reason for an encoder ended by a signal: "the encoder was ended by signal 9
// (Killed)".
std::string EncoderSignalReason(int signal);

class EncoderOutputTail {
public:
    // Keeps the line if it may say why; progress lines and blank lines are dropped.
    void Add(const std::string& line);
    // The failure reason for a run that ended with `exitCode` (not 0): the meaningful line with
    // the exit code, or the exit code alone when the output said nothing of use.
    std::string Reason(std::uint32_t exitCode) const;

private:
    // `reason` with the input file that did not open or decode, when it does not name it already.
    std::string withFailedInput(std::string reason) const;

    std::deque<std::string> lines_;  // the last few kept lines, oldest first
    std::map<int, std::string> inputs_;  // ffmpeg's input numbers and their files
    std::optional<std::pair<int, std::string>> decodingError_;  // the last input that did not decode, and why
    std::string unopenedInput_;  // the input file ffmpeg could not open
};

}  // namespace kalidor
