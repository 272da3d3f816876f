#pragma once
// The encoder entry, lib/ffmpeg: the program the export starts with the argument line of
// BuildEncoderArguments. It turns that line into arguments for the installed ffmpeg, which no
// longer takes some of its pieces, and runs it on a partial file that replaces the movie only
// when the encode succeeds (see src/encode/ffmpeg_entry/main.cpp).
//
// The MP4 line ("-vcodec mpeg4 -f mp4") is made as a movie browsers and phones play: H.264
// (libx264, High profile, yuv420p) with AAC-LC sound, its index first. AVI and MPEG are made
// with the codecs their lines name.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

struct EncoderInvocation {
    // Arguments for ffmpeg without the program name and the output file, in the order given,
    // "-y" first (the partial file exists when ffmpeg starts).
    std::vector<std::string> options;
    std::string output;      // the movie file asked for
    bool overwrite = false;  // the line holds -y
    std::string videoEncoder;  // the ffmpeg encoder the video is made with, when the line names one
    std::string music;         // the second input, when there is one
    std::string duration;      // the value of -t, when given
};

// Accepts the line BuildEncoderArguments writes, split into arguments:
//   [-y] [-r N] -i <frames> [-i <music>] then -vcodec, -f, -acodec, -b, -ab, -s, -t in any
//   order, each at most once, and the output file last.
// Throws kalidor::Error naming the argument for an unknown or repeated option, a missing
// value, input or output, or a bit rate that is not a number of kbit/s.
// With music, the movie takes the first input's video and the music's first sound, whatever
// else either file holds.
EncoderInvocation AdaptEncoderArguments(const std::vector<std::string>& args);

// The x264 preset of the MP4 line, chosen with bench/h264_bench.sh: on two cores the MP4 export
// of a 1280 x 720 zoom project takes 1.44 times its AVI export ("veryfast" 1.98, "ultrafast"
// 1.09), and is 2.1 to 3.6 dB sharper than "ultrafast" at the lowest quality. x264 keeps its own
// thread count: fewer threads were slower, more no faster.
inline constexpr const char* kH264Preset = "superfast";

// Music that runs past the movie's end fades out over the movie's last second (of -t), instead
// of stopping mid-note. Music known to end by then is left as it is; music of unknown length
// (`musicSeconds` empty) is taken to run on. Does nothing without music or a plain -t.
void AddMusicFadeOut(EncoderInvocation& job, std::optional<double> musicSeconds);

// The frames pattern with every '%' but that of its last "%6d" doubled, as ffmpeg's numbered
// patterns want a literal '%'.
std::string EscapeFramePattern(const std::string& pattern);

// Where the movie is written until ffmpeg succeeds: beside `output`, hidden and recognisable,
// keeping the extension: "<folder>/.<name>.part-XXXXXX<ext>" (for mkstemps, the X's replaced;
// suffixLength is the length of <ext>). A stem too long for a file name is shortened.
struct PartialOutputTemplate {
    std::string path;
    int suffixLength = 0;
};
PartialOutputTemplate PartialOutputTemplateFor(const std::string& output);

// Whether `fileName` (no folder) is a partial file made by PartialOutputTemplateFor.
bool IsPartialOutputName(std::string_view fileName);

// The first executable regular file "ffmpeg" in the folders of `searchPath` (PATH format, an
// empty entry is the current folder) that is not the file `self` (the entry itself, however
// it is linked or named); empty when there is none.
std::filesystem::path FindEncoderProgram(std::string_view searchPath, const std::filesystem::path& self);

// Set in the environment of the ffmpeg the entry starts. An entry that finds it set was started
// by another entry (a second copy on PATH) and refuses, instead of starting entries in a loop.
inline constexpr const char* kEncoderEntryMarker = "KALIDOR_ENCODER_ENTRY";

}  // namespace kalidor
