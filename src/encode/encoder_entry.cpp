#include "encode/encoder_entry.h"

#include "platform/error.h"
#include "platform/whole_number.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <set>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

[[noreturn]] void refuse(const std::string& what) { throw Error("encoder line: " + what); }

// "4000kb" meant kilobits per second; today's ffmpeg reads the trailing "b" as garbage and
// refuses the value, so "kb" becomes "k" and the number stays.
std::string adaptBitRate(const std::string& option, const std::string& value) {
    const auto digits = static_cast<std::size_t>(
        std::find_if(value.begin(), value.end(), [](char c) { return !std::isdigit(static_cast<unsigned char>(c)); }) -
        value.begin());
    const std::string unit = value.substr(digits);
    if (digits == 0 || (unit != "kb" && unit != "k"))
        refuse("the bit rate \"" + value + "\" of " + option + " is not a number of kbit/s such as 4000kb");
    return value.substr(0, digits) + "k";
}

// The audio encoders whose limits ffmpeg does not negotiate by itself, each held to the input
// formats it takes. aformat picks the nearest allowed value, so music that already fits passes
// unchanged.
//   mp2 at 192 kbit/s needs an MPEG-1 sample rate: below 32 kHz ffmpeg picks an MPEG-2 rate
//   (16, 22.05, 24 kHz), where 192 kbit/s is not allowed, and the encode fails.
//   wmav2 takes at most two channels and 48 kHz, and says so only by failing.
//   aac is held to what every browser and phone plays as AAC-LC: two channels at most (192
//   kbit/s is a stereo rate) and 48 kHz.
std::string audioFilterFor(const std::string& codec) {
    if (codec == "mp2")
        return "aformat=sample_rates=48000|44100|32000";
    if (codec == "wmav2" || codec == "aac")
        return "aformat=sample_rates=48000|44100|32000|24000|22050|16000|12000|11025|8000"
               ":channel_layouts=mono|stereo";
    return {};
}

// The MP4 line's video as H.264 that browsers and phones decode: High profile (x264 picks the
// lowest level that the size and the bit rate need), 4:2:0, and the index (moov) put before the
// media data once the movie is written, so that a browser plays it while it downloads.
const char* const kH264Options[] = {"-preset", kH264Preset, "-profile:v", "high", "-pix_fmt", "yuv420p",
                                    "-movflags", "+faststart"};

struct MovieSize {
    int width = 0, height = 0;
};

std::optional<int> positiveNumber(std::string_view text) {
    const auto value = WholeNumber<int>(text);
    return value && *value > 0 ? value : std::nullopt;
}

std::optional<MovieSize> movieSize(const std::string& size) {
    const auto x = size.find('x');
    if (x == std::string::npos)
        return std::nullopt;
    const auto w = positiveNumber(std::string_view(size).substr(0, x));
    const auto h = positiveNumber(std::string_view(size).substr(x + 1));
    if (!w || !h)
        return std::nullopt;
    return MovieSize{*w, *h};
}

// The H.264 video's filters, standing for -s: the size (nothing to do for frames made at it), in
// 4:2:0 of the limited range; for an odd side one pixel more, a copy of the frame's last column
// or row, as 4:2:0 H.264 codes even sizes only (its cropping, too, goes two pixels a step), so
// every pixel of the frames is in the movie with no seam and no rescaling; and labelled as what
// its colours are: the frames' BT.601 matrix on sRGB's (BT.709) primaries. Unlabelled, a browser
// takes an HD movie for BT.709 and shifts its colours; the label rides on the frames, as ffmpeg
// 7 drops the encoder's own colour options for frames that carry none.
std::string h264Filters(const std::optional<MovieSize>& size) {
    // The range is converted here, not only labelled: frames ffmpeg decodes itself come in the
    // full range (ffmpeg 5 says so by the pixel format, ffmpeg 7 by the frames' own range).
    std::string chain = "scale=";
    if (size)
        chain += std::to_string(size->width) + ":" + std::to_string(size->height) + ":";
    chain += "out_range=tv,format=yuv420p,";
    if (size && (size->width % 2 || size->height % 2)) {
        const int right = size->width % 2, bottom = size->height % 2;
        chain += "pad=" + std::to_string(size->width + right) + ":" + std::to_string(size->height + bottom) +
                 ",fillborders=right=" + std::to_string(right) + ":bottom=" + std::to_string(bottom) + ":mode=smear,";
    }
    return chain + "setparams=color_primaries=bt709:color_trc=bt709:colorspace=smpte170m:range=tv";
}

std::string decimal(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3).ptr;
    return std::string(text, end);
}

bool isOutputOption(const std::string& a) {
    static const std::set<std::string> options{"-vcodec", "-f", "-acodec", "-b", "-ab", "-s", "-t"};
    return options.contains(a);
}

}  // namespace

std::string EscapeFramePattern(const std::string& pattern) {
    const auto number = pattern.rfind("%6d");
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (i == number) {
            out += "%6d";
            i += 2;
        } else {
            out += pattern[i];
            if (pattern[i] == '%')
                out += '%';
        }
    }
    return out;
}

EncoderInvocation AdaptEncoderArguments(const std::vector<std::string>& args) {
    EncoderInvocation job;
    job.options.push_back("-y");
    std::set<std::string> seen;
    int inputs = 0;
    bool outputOptionsSeen = false;
    std::string audioCodec;
    std::map<std::string, std::size_t> valueAt;  // where each output option's value stands in options
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.empty() || a[0] != '-' || a == "-") {
            if (i + 1 != args.size())
                refuse("\"" + a + "\" stands before the end of the line; only the output file may");
            job.output = a;
            break;
        }
        if (a == "-y") {
            if (job.overwrite)
                refuse("-y is given twice");
            job.overwrite = true;
            continue;
        }
        if (a != "-r" && a != "-i" && !isOutputOption(a))
            refuse("unknown option \"" + a + "\"");
        if (i + 1 >= args.size())
            refuse(a + " needs a value");
        std::string value = args[++i];
        if (a == "-i") {
            if (inputs == 2)
                refuse("more than two inputs (-i)");
            if (outputOptionsSeen)
                refuse("-i \"" + value + "\" stands after the output options");
            ++inputs;
            // The frames are read by a numbered pattern, in which ffmpeg takes every '%' as a
            // conversion: a '%' in the project's folder name must reach it as "%%".
            if (inputs == 1)
                value = EscapeFramePattern(value);
            else
                job.music = value;
            job.options.insert(job.options.end(), {a, value});
            continue;
        }
        if (!seen.insert(a).second)
            refuse(a + " is given twice");
        if (a == "-r") {
            if (inputs > 0)
                refuse("-r must stand before the first -i (it is the frame rate of the pictures)");
            job.options.insert(job.options.end(), {a, value});
            continue;
        }
        if (inputs == 0)
            refuse(a + " stands before the first -i");
        outputOptionsSeen = true;
        valueAt[a] = job.options.size() + 1;
        if (a == "-t")
            job.duration = value;
        if (a == "-b") {
            job.options.insert(job.options.end(), {"-b:v", adaptBitRate(a, value)});
        } else if (a == "-ab") {
            job.options.insert(job.options.end(), {"-b:a", adaptBitRate(a, value)});
        } else if (a == "-acodec") {
            // libfaac left ffmpeg long ago; its own AAC encoder makes the same kind of stream.
            if (value == "libfaac")
                value = "aac";
            audioCodec = value;
            job.options.insert(job.options.end(), {a, value});
        } else {
            job.options.insert(job.options.end(), {a, value});
        }
    }
    if (inputs == 0)
        refuse("no input: the line needs -i <frames>");
    if (job.output.empty())
        refuse("no output file at the end of the line");
    if (job.output == "-")
        refuse("the output must be a file, not standard output");
    const auto valueOf = [&](const char* option) -> std::string* {
        const auto at = valueAt.find(option);
        return at == valueAt.end() ? nullptr : &job.options[at->second];
    };
    if (const std::string* codec = valueOf("-vcodec"))
        job.videoEncoder = *codec;
    if (const std::string* format = valueOf("-f"); job.videoEncoder == "mpeg4" && format && *format == "mp4") {
        *valueOf("-vcodec") = job.videoEncoder = "libx264";
        std::string* size = valueOf("-s");
        const std::optional<MovieSize> sized = size ? movieSize(*size) : std::nullopt;
        if (sized) {
            job.options[valueAt["-s"] - 1] = "-vf";
            *size = h264Filters(sized);
        } else {
            job.options.insert(job.options.end(), {"-vf", h264Filters(sized)});
        }
        job.options.insert(job.options.end(), std::begin(kH264Options), std::end(kH264Options));
    }
    // Otherwise ffmpeg takes the largest picture of either file as the video: a music file
    // with a video in it (or cover art) would replace the frames.
    if (inputs == 2)
        job.options.insert(job.options.end(), {"-map", "0:v:0", "-map", "1:a:0"});
    if (const std::string filter = audioFilterFor(audioCodec); !filter.empty())
        job.options.insert(job.options.end(), {"-af", filter});
    return job;
}

void AddMusicFadeOut(EncoderInvocation& job, std::optional<double> musicSeconds) {
    const double movie = WholeNumber<double>(job.duration).value_or(0);
    if (job.music.empty() || !(movie > 0))
        return;
    if (musicSeconds && *musicSeconds <= movie)
        return;
    const double length = std::min(1.0, movie);
    const std::string fade = "afade=t=out:st=" + decimal(movie - length) + ":d=" + decimal(length);
    // The sound's own filter stands last, after every input.
    const auto filter = std::find(job.options.rbegin(), job.options.rend(), "-af");
    if (filter != job.options.rend() && filter != job.options.rbegin())
        *(filter - 1) += "," + fade;
    else
        job.options.insert(job.options.end(), {"-af", fade});
}

PartialOutputTemplate PartialOutputTemplateFor(const std::string& output) {
    const std::filesystem::path path(output);
    std::string name = path.filename().string();
    std::string ext = path.extension().string();
    std::string stem = name.substr(0, name.size() - ext.size());
    const std::string marker = ".part-XXXXXX";
    // Keep within NAME_MAX; an extension that long is no extension to keep.
    if (ext.size() > 32)
        ext.clear(), stem = name;
    const std::size_t room = NAME_MAX - 1 - marker.size() - ext.size();
    if (stem.size() + ext.size() > room)
        stem.resize(room - ext.size());
    const std::string file = "." + stem + ext + marker + ext;
    const std::filesystem::path folder = path.parent_path();
    return {(folder.empty() ? std::filesystem::path(file) : folder / file).string(), static_cast<int>(ext.size())};
}

bool IsPartialOutputName(std::string_view fileName) {
    const auto at = fileName.rfind(".part-");
    return fileName.size() > 1 && fileName[0] == '.' && at != std::string_view::npos && at > 0 &&
           fileName.size() >= at + 12;
}

std::filesystem::path FindEncoderProgram(std::string_view searchPath, const std::filesystem::path& self) {
    struct stat me {};
    const bool knowSelf = !self.empty() && ::stat(self.c_str(), &me) == 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(searchPath.find(':', start), searchPath.size());
        const std::string folder(searchPath.substr(start, end - start));
        const std::filesystem::path candidate = std::filesystem::path(folder.empty() ? "." : folder) / "ffmpeg";
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0 &&
            !(knowSelf && info.st_dev == me.st_dev && info.st_ino == me.st_ino))
            return candidate;
        if (end == searchPath.size())
            return {};
        start = end + 1;
    }
}

}  // namespace kalidor
