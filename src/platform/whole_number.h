#pragma once
// A number that is the whole of a text: "12" and "2.5", not "", " 12", "12x" or "1e400".

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace kalidor {

template <class Number>
std::optional<Number> WholeNumber(std::string_view text) {
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace kalidor
