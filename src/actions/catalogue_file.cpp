#include "actions/catalogue_file.h"

#include "actions/comma_text.h"
#include "platform/error.h"
#include "platform/text_encoding.h"

#include <string_view>

namespace kalidor {

std::vector<CatalogueRow> ParseCatalogue(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::vector<CatalogueRow> rows;
    int number = 0;
    for (const std::string_view line : SplitLines(text)) {
        ++number;
        const auto where = [&] { return " (" + fileName + " line " + std::to_string(number) + ")"; };
        const std::vector<std::string> fields = SplitCommaText(line);
        if (fields.size() < 4)
            throw Error("Action catalogue: " + std::to_string(fields.size()) + " fields, at least 4 needed" + where());
        CatalogueRow row;
        row.line = number;
        row.isPicture = fields[0] == "0";
        try {
            row.name = ShiftJisToUtf8(fields[1]);
            row.identifier = ShiftJisToUtf8(fields[2]);
            row.descriptionName = ShiftJisToUtf8(fields[3]);
        } catch (const Error& e) {
            throw Error("Action catalogue: " + std::string(e.what()) + where());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace kalidor
