#pragma once
// Why the encoder failed, from the last lines of its output: the encoder entry's own message
// ("lib/ffmpeg: cannot create a partial file beside /movies/a.mp4: Permission denied") or else
// ffmpeg's last error line ("/music/a.mp3: Invalid data found when processing input"). When
// ffmpeg's line names no file but it could not decode one of its input files (music of random
// bytes ends in "Error configuring filter graph"), that file is named too.

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
    // ", after errors decoding <file>: <ffmpeg's words>" when an input file did not decode and
    // `reason` does not name it already; else "".
    std::string undecodedInput(const std::string& reason) const;

    std::deque<std::string> lines_;  // the last few kept lines, oldest first
    std::map<int, std::string> inputs_;  // ffmpeg's input numbers and their files
    std::optional<std::pair<int, std::string>> decodingError_;  // the last input that did not decode, and why
};

}  // namespace kalidor
