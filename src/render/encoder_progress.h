#pragma once
// Reading the encoder's progress lines ("frame=   59 fps= 30 q=2.0 size= 100kB time=1.93 ...").

#include <optional>
#include <string_view>

namespace kalidor {

// The number of frames encoded so far, from a line that contains "time=" (any case): the text
// after the first "frame=" and before the first "fps=" after it (both exact), trimmed of blanks
// and control characters, as a signed 32-bit decimal with an optional sign. Nothing for any
// other line, for a line without "frame=" or "fps=", or when that text is not such a number.
std::optional<int> EncodedFrameCount(std::string_view line);

}  // namespace kalidor
