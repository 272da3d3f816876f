#pragma once
// Why the encoder failed, from the last lines of its output: the encoder entry's own message
// ("lib/ffmpeg: cannot create a partial file beside /movies/a.mp4: Permission denied") or else
// ffmpeg's last error line ("/music/a.mp3: Invalid data found when processing input").

#include <cstdint>
#include <deque>
#include <string>

namespace kalidor {

class EncoderOutputTail {
public:
    // Keeps the line if it may say why; progress lines and blank lines are dropped.
    void Add(const std::string& line);
    // The failure reason for a run that ended with `exitCode` (not 0): the meaningful line with
    // the exit code, or the exit code alone when the output said nothing of use.
    std::string Reason(std::uint32_t exitCode) const;

private:
    std::deque<std::string> lines_;  // the last few kept lines, oldest first
};

}  // namespace kalidor
