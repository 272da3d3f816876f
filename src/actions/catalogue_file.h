#pragma once
// The rows of "actionList.dat" before any bitmap is read: one per line, in file order.
// ParseCatalogue raises kalidor::Error naming the file and the 1-based line for a line with
// fewer than four fields (an empty line included) or bytes that are not Shift-JIS.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor {

struct CatalogueRow {
    int line = 0;                 // 1-based
    bool isPicture = true;        // the kind field is exactly "0"
    std::string name;             // UTF-8
    std::string identifier;       // an enumeration member's name; also the icon's base name
    std::string descriptionName;  // base name of the description bitmap
};

std::vector<CatalogueRow> ParseCatalogue(std::span<const std::uint8_t> bytes, const std::string& fileName);

}  // namespace kalidor
