#include "encode/frame_sequence.h"

#include "platform/error.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

namespace kalidor {
namespace {

// A whole number of at most 9 digits, so products below stay within 64 bits.
std::optional<long long> smallNumber(const std::string& digits) {
    if (digits.empty() || digits.size() > 9)
        return std::nullopt;
    long long v = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

std::string FrameMissingMessage(const std::string& path, int error) {
    return "frame " + path + " is missing: " + std::strerror(error);
}

std::string FrameFilePath(const std::string& pattern, long number) {
    const auto at = pattern.rfind("%6d");
    char digits[32];
    std::snprintf(digits, sizeof digits, "%06ld", number);
    if (at == std::string::npos)
        return pattern;
    return pattern.substr(0, at) + digits + pattern.substr(at + 3);
}

std::string UnescapeFramePattern(const std::string& escaped) {
    const auto number = escaped.rfind("%6d");
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        out += escaped[i];
        if (i != number && escaped[i] == '%' && i + 1 < escaped.size() && escaped[i + 1] == '%')
            ++i;
    }
    return out;
}

std::optional<long> FramesWithin(const std::string& rate, const std::string& seconds) {
    const auto r = smallNumber(rate);
    const auto dot = seconds.find('.');
    const auto whole = smallNumber(seconds.substr(0, dot));
    std::string fraction = dot == std::string::npos ? "0" : seconds.substr(dot + 1);
    const auto part = smallNumber(fraction);
    if (!r || *r == 0 || !whole || !part)
        return std::nullopt;
    long long scale = 1;
    for (std::size_t i = 0; i < fraction.size(); ++i)
        scale *= 10;
    // Frame k is within when k < rate * seconds = limit / scale: Ceil(limit / scale) frames.
    const long long limit = *r * (*whole * scale + *part);
    return static_cast<long>((limit + scale - 1) / scale);
}

std::vector<FrameFile> FindFrameFiles(const std::string& pattern, std::optional<long> count, std::string* missing) {
    // ffmpeg's reader starts at the first of the numbers 0 to 4 that exists.
    long first = 0;
    struct stat info {};
    while (first < 5 && ::stat(FrameFilePath(pattern, first).c_str(), &info) != 0)
        ++first;
    if (first == 5)
        throw Error("no frames: " + pattern + " has no file numbered 0 to 4");
    std::vector<FrameFile> frames;
    for (long n = first; !count || static_cast<long>(frames.size()) < *count; ++n) {
        std::string path = FrameFilePath(pattern, n);
        if (::stat(path.c_str(), &info) != 0) {
            if (!count)
                break;
            const std::string message = FrameMissingMessage(path, errno);
            if (!missing)
                throw Error(message);
            *missing = message;
            break;
        }
        if (!S_ISREG(info.st_mode))
            throw Error("frame " + path + " is not a file");
        frames.push_back({std::move(path), static_cast<std::uint64_t>(info.st_dev),
                          static_cast<std::uint64_t>(info.st_ino)});
    }
    return frames;
}

}  // namespace kalidor
