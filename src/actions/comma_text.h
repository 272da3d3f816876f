#pragma once
// The line and field rules of the catalogue file, on raw bytes. Shift-JIS trail bytes are never
// a comma, a double quote or a control character, so splitting before decoding is safe.

#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

// CR LF, a lone CR and a lone LF each end a line; a line end after the last line adds no
// empty line. The views point into `text`.
std::vector<std::string_view> SplitLines(std::string_view text);

// Comma text: blanks and control characters (codes 1 to 32) around fields are skipped; a field
// that starts with a double quote runs to the closing quote, with "" standing for one quote;
// any other field ends at a comma or a code 1 to 32. Two commas in a row give an empty field,
// and a comma that is the last character adds one. An empty line gives no fields.
std::vector<std::string> SplitCommaText(std::string_view line);

}  // namespace kalidor
