#pragma once
// The encoder entry, lib/ffmpeg: the program the export starts with the argument line of
// BuildEncoderArguments. It turns that line into arguments for the installed ffmpeg, which no
// longer takes some of its pieces, and runs it on a partial file that replaces the movie only
// when the encode succeeds (see src/encode/ffmpeg_entry/main.cpp).

#include <filesystem>
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
};

// Accepts the line BuildEncoderArguments writes, split into arguments:
//   [-y] [-r N] -i <frames> [-i <music>] then -vcodec, -f, -acodec, -b, -ab, -s, -t in any
//   order, each at most once, and the output file last.
// Throws kalidor::Error naming the argument for an unknown or repeated option, a missing
// value, input or output, or a bit rate that is not a number of kbit/s.
EncoderInvocation AdaptEncoderArguments(const std::vector<std::string>& args);

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
