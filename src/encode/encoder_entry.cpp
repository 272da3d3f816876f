#include "encode/encoder_entry.h"

#include "platform/error.h"

#include <algorithm>
#include <cctype>
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
std::string audioFilterFor(const std::string& codec) {
    if (codec == "mp2")
        return "aformat=sample_rates=48000|44100|32000";
    if (codec == "wmav2")
        return "aformat=sample_rates=48000|44100|32000|24000|22050|16000|12000|11025|8000"
               ":channel_layouts=mono|stereo";
    return {};
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
    if (const std::string filter = audioFilterFor(audioCodec); !filter.empty())
        job.options.insert(job.options.end(), {"-af", filter});
    return job;
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
