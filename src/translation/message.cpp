#include "translation/message.h"

#include <cstring>
#include <ostream>

namespace kalidor {

Message::Message(const char* source, std::vector<std::string> arguments)
    : source_(source), arguments_(std::move(arguments)) {}

Message Message::Verbatim(std::string text) {
    return text.empty() ? Message() : Message("%1", {std::move(text)});
}

Message& Message::WithDetail(std::string detail) {
    detail_ = std::move(detail);
    return *this;
}

std::string Message::Render(std::string_view translated) const {
    std::string text = FillArguments(translated, arguments_);
    if (!detail_.empty()) text += "\n" + detail_;
    return text;
}

bool Message::operator==(const Message& other) const {
    return std::strcmp(Source(), other.Source()) == 0 && arguments_ == other.arguments_ && detail_ == other.detail_;
}

std::string FillArguments(std::string_view text, const std::vector<std::string>& arguments) {
    std::string filled;
    filled.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t index = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : arguments.size();
        if (text[i] == '%' && index < arguments.size() && index < 9) {
            filled += arguments[index];
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

void PrintTo(const Message& message, std::ostream* out) { *out << '"' << message.Japanese() << '"'; }

}  // namespace kalidor
