#include "actions/comma_text.h"

namespace kalidor {
namespace {

bool isBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> SplitCommaText(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t p = 0;
    const std::size_t end = line.size();
    while (p < end && isBlank(line[p]))
        ++p;
    while (p < end) {
        std::string field;
        if (line[p] == '"') {
            // An unclosed quote keeps the rest of the line.
            ++p;
            while (p < end) {
                if (line[p] == '"') {
                    if (p + 1 < end && line[p + 1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += line[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < end && line[p] != ',' && !isBlank(line[p]))
                ++p;
            field.assign(line.substr(start, p - start));
        }
        fields.push_back(std::move(field));
        while (p < end && isBlank(line[p]))
            ++p;
        if (p < end && line[p] == ',') {
            if (p + 1 == end)
                fields.emplace_back();
            ++p;
            while (p < end && isBlank(line[p]))
                ++p;
        }
    }
    return fields;
}

}  // namespace kalidor
