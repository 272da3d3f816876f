#include "render/encoder_failure.h"

#include "render/encoder_progress.h"

#include <string_view>

namespace kalidor {
namespace {

constexpr std::size_t kKeptLines = 16;
constexpr std::string_view kEntryPrefix = "lib/ffmpeg: ";

std::string trimmed(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// ffmpeg's closing summaries repeat that it failed without saying why.
bool saysNothing(std::string_view line) {
    return line == "Conversion failed!" || startsWith(line, "Exiting normally") ||
           startsWith(line, "usage: ffmpeg");
}

}  // namespace

void EncoderOutputTail::Add(const std::string& line) {
    const std::string text = trimmed(line);
    if (text.empty() || EncodedFrameCount(text) || startsWith(text, "frame=") || startsWith(text, "size="))
        return;
    if (!lines_.empty() && lines_.back() == text)
        return;  // a partial line reported again when it completes
    lines_.push_back(text);
    if (lines_.size() > kKeptLines)
        lines_.pop_front();
}

std::string EncoderOutputTail::Reason(std::uint32_t exitCode) const {
    const std::string code = "the encoder ended with exit code " + std::to_string(exitCode);
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (startsWith(*it, kEntryPrefix) && !saysNothing(std::string_view(*it).substr(kEntryPrefix.size())))
            return it->substr(kEntryPrefix.size()) + " (" + code + ")";
    // ffmpeg stops at its first error, so its last line but the summaries is the error.
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (!saysNothing(*it))
            return *it + " (" + code + ")";
    return code;
}

}  // namespace kalidor
