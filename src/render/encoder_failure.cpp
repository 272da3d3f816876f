#include "render/encoder_failure.h"

#include "render/encoder_progress.h"

#include <algorithm>
#include <cstring>
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

// The number after `marker` in the text ("#1" in "Input #1, mp3"), or -1.
int numberAfter(std::string_view text, std::string_view marker) {
    const auto at = text.find(marker);
    if (at == std::string_view::npos)
        return -1;
    int number = -1;
    for (std::size_t i = at + marker.size(); i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = std::max(number, 0) * 10 + (text[i] - '0');
    return number;
}

}  // namespace

std::string EncoderSignalReason(int signal) {
    const char* name = ::sigdescr_np(signal);
    return "the encoder was ended by signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
}

void EncoderOutputTail::Add(const std::string& line) {
    const std::string text = trimmed(line);
    // "Input #1, mp3, from '/m/a.mp3':" says which file ffmpeg's input 1 is; "Error while decoding
    // stream #1:0: Invalid data found when processing input" that it did not decode.
    if (startsWith(text, "Input #")) {
        const auto from = text.find(", from '");
        const auto end = text.rfind("':");
        if (const int input = numberAfter(text, "Input #"); input >= 0 && from != std::string::npos && end > from)
            inputs_[input] = text.substr(from + 8, end - from - 8);
    }
    constexpr std::string_view decoding = "Error while decoding stream #";
    if (const int input = numberAfter(text, decoding); input >= 0) {
        const auto words = text.find(": ", text.find(decoding) + decoding.size());
        decodingError_.emplace(input, words == std::string::npos ? std::string() : text.substr(words + 2));
    }
    if (text.empty() || EncodedFrameCount(text) || startsWith(text, "frame=") || startsWith(text, "size="))
        return;
    if (!lines_.empty() && lines_.back() == text)
        return;  // a partial line reported again when it completes
    lines_.push_back(text);
    if (lines_.size() > kKeptLines)
        lines_.pop_front();
}

std::string EncoderOutputTail::undecodedInput(const std::string& reason) const {
    if (!decodingError_)
        return {};
    const auto input = inputs_.find(decodingError_->first);
    // The frames may come on a pipe, which is no file the user knows.
    if (input == inputs_.end() || startsWith(input->second, "pipe:") || reason.find(input->second) != std::string::npos)
        return {};
    return ", after errors decoding " + input->second + (decodingError_->second.empty() ? "" : ": ") +
           decodingError_->second;
}

std::string EncoderOutputTail::Reason(std::uint32_t exitCode) const {
    const std::string code = "the encoder ended with exit code " + std::to_string(exitCode);
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (startsWith(*it, kEntryPrefix) && !saysNothing(std::string_view(*it).substr(kEntryPrefix.size())))
            return it->substr(kEntryPrefix.size()) + " (" + code + ")";
    // ffmpeg stops at its first error, so its last line but the summaries is the error.
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (!saysNothing(*it))
            return *it + undecodedInput(*it) + " (" + code + ")";
    return code;
}

}  // namespace kalidor
