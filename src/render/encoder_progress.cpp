#include "render/encoder_progress.h"

#include "platform/whole_number.h"

#include <algorithm>

namespace kalidor {
namespace {

bool containsNoCase(std::string_view text, std::string_view lowerNeedle) {
    const auto it = std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
    return it != text.end();
}

std::string_view trimmed(std::string_view text) {
    // Blanks and control characters, as the line may still carry a carriage return.
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<int> EncodedFrameCount(std::string_view line) {
    if (!containsNoCase(line, "time="))
        return std::nullopt;
    const auto frame = line.find("frame=");
    if (frame == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(frame + 6);
    const auto fps = rest.find("fps=");
    if (fps == std::string_view::npos)
        return std::nullopt;  // leaves nothing to convert
    std::string_view number = trimmed(rest.substr(0, fps));
    if (number.size() > 1 && number.front() == '+' && number[1] != '-')
        number.remove_prefix(1);
    return WholeNumber<int>(number);
}

}  // namespace kalidor
