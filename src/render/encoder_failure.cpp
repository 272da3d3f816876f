#include "render/encoder_failure.h"

#include "render/encoder_progress.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

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

// ffmpeg 7 names an input file it cannot open on a line of its own ("Error opening input file
// /m/a.mp3.") and ends with why, naming none ("Error opening input files: Invalid data found ...").
constexpr std::string_view kUnopenedInput = "Error opening input file ";
constexpr std::string_view kUnopenedInputsWhy = "Error opening input files: ";

// The line without ffmpeg's context in front ("[mp4 @ 0x55d0c2a0] ", or two of them in ffmpeg 7's
// "[aist#1:0/mp3 @ 0x55d0] [dec:mp3float @ 0x55d1] "): an address means nothing to the user.
std::string_view withoutContext(std::string_view line) {
    while (startsWith(line, "[")) {
        const auto end = line.find("] ");
        if (end == std::string_view::npos || line.substr(0, end).find(" @ 0x") == std::string_view::npos)
            break;
        line.remove_prefix(end + 2);
    }
    return line;
}

// An input that did not decode, and ffmpeg's words why, from
//   ffmpeg 5: "Error while decoding stream #1:0: Invalid data found when processing input"
//   ffmpeg 7: "[aist#1:0/mp3 @ 0x55] [dec:mp3float @ 0x55] Error submitting packet to decoder: Invalid data ..."
std::optional<std::pair<int, std::string>> decodingError(std::string_view text) {
    constexpr std::string_view decoding = "Error while decoding stream #";
    if (const int input = numberAfter(text, decoding); input >= 0) {
        const auto words = text.find(": ", text.find(decoding) + decoding.size());
        return std::pair{input, words == std::string_view::npos ? std::string() : std::string(text.substr(words + 2))};
    }
    constexpr std::string_view submitting = "Error submitting packet to decoder: ";
    if (const auto at = text.find(submitting); at != std::string_view::npos && startsWith(text, "[aist#"))
        if (const int input = numberAfter(text, "[aist#"); input >= 0)
            return std::pair{input, std::string(text.substr(at + submitting.size()))};
    return std::nullopt;
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
    if (auto error = decodingError(text))
        decodingError_ = std::move(*error);
    if (startsWith(text, kUnopenedInput) && text.back() == '.')
        unopenedInput_ = text.substr(kUnopenedInput.size(), text.size() - kUnopenedInput.size() - 1);
    if (text.empty() || EncodedFrameCount(text) || startsWith(text, "frame=") || startsWith(text, "size="))
        return;
    if (!lines_.empty() && startsWith(text, lines_.back())) {
        lines_.back() = text;  // a partial line reported again, grown or complete
        return;
    }
    lines_.push_back(text);
    if (lines_.size() > kKeptLines)
        lines_.pop_front();
}

std::string EncoderOutputTail::withFailedInput(std::string reason) const {
    if (!unopenedInput_.empty() && reason.find(unopenedInput_) == std::string::npos) {
        if (startsWith(reason, kUnopenedInputsWhy))
            return unopenedInput_ + ": " + reason.substr(kUnopenedInputsWhy.size());
        return reason + ", after an error opening " + unopenedInput_;
    }
    if (!decodingError_)
        return reason;
    const auto input = inputs_.find(decodingError_->first);
    // The frames may come on a pipe, which is no file the user knows.
    if (input == inputs_.end() || startsWith(input->second, "pipe:") || reason.find(input->second) != std::string::npos)
        return reason;
    if (!reason.empty() && reason.back() == '.')
        reason.pop_back();  // a sentence goes on
    return reason + ", after errors decoding " + input->second + (decodingError_->second.empty() ? "" : ": ") +
           decodingError_->second;
}

std::string EncoderOutputTail::Reason(std::uint32_t exitCode) const {
    const std::string code = "the encoder ended with exit code " + std::to_string(exitCode);
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (startsWith(*it, kEntryPrefix) && !saysNothing(std::string_view(*it).substr(kEntryPrefix.size())))
            return it->substr(kEntryPrefix.size()) + " (" + code + ")";
    // ffmpeg stops at its first error, so its last line but the summaries is the error.
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (const std::string_view line = withoutContext(*it); !saysNothing(line))
            return withFailedInput(std::string(line)) + " (" + code + ")";
    return code;
}

}  // namespace kalidor
