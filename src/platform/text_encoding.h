#pragma once
// Text is UTF-8 in memory and on the file system; the project file and the action catalogue
// hold Shift-JIS (code page 932). These convert at that boundary.

#include <cstddef>
#include <string>
#include <string_view>

namespace kalidor {

// Throws kalidor::Error naming the first character that code page 932 cannot hold.
std::string Utf8ToShiftJis(std::string_view utf8);

// Throws kalidor::Error for bytes that are not valid code page 932.
std::string ShiftJisToUtf8(std::string_view shiftJis);

// True when every character of the text can be written in code page 932.
bool FitsShiftJis(std::string_view utf8);

// The text's length in Shift-JIS bytes (a full-width character counts two), which is what the
// name limits count. Throws like Utf8ToShiftJis.
std::size_t ShiftJisLength(std::string_view utf8);

}  // namespace kalidor
