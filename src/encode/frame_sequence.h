#pragma once
// The numbered frame files an encode reads (the "-r N -i <folder>/tmp/%6d.jpg" input), found the
// way ffmpeg's image-sequence reader finds them, so that the encoder entry can read them itself.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kalidor {

// The file of frame `number` in `pattern` (a path whose last "%6d" stands for the number,
// zero-padded to six digits as ffmpeg pads it; any other '%' is literal).
std::string FrameFilePath(const std::string& pattern, long number);

// "frame <path> is missing: <the OS's reason>", however the frame was found missing.
std::string FrameMissingMessage(const std::string& path, int error);

// The pattern given to ffmpeg (EscapeFramePattern) back as the path pattern.
std::string UnescapeFramePattern(const std::string& escaped);

// How many frames of a sequence read at `rate` frames a second fall within the duration
// `seconds` (ffmpeg's "-t": plain decimal seconds such as "6.1"): the frames whose time
// k / rate lies below it. Empty when either text is not such a number.
std::optional<long> FramesWithin(const std::string& rate, const std::string& seconds);

struct FrameFile {
    std::string path;
    std::uint64_t device = 0, inode = 0;  // frames that are links of one file share these
};

// The frames from the first number of 0 to 4 that exists, consecutive: `count` of them, or all
// there are when `count` is empty. Throws kalidor::Error naming the pattern when none starts the
// sequence, and naming the first frame file missing before `count` frames; with `missing`
// given, that frame's message goes there instead and the frames before it are returned.
std::vector<FrameFile> FindFrameFiles(const std::string& pattern, std::optional<long> count,
                                      std::string* missing = nullptr);

}  // namespace kalidor
