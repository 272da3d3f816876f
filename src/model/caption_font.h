#pragma once
// The font of a picture's caption: face name, size in points, colour and style bits.

#include <cstdint>
#include <string>

namespace kalidor {

// Style bits as stored in the project file.
enum FontStyleBits : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

// Colours are 0x00BBGGRR, or a system colour as 0x80000000 + index.
inline constexpr std::uint32_t kSystemColorFlag = 0x80000000u;
inline constexpr std::uint32_t clWindowText = kSystemColorFlag + 8;  // black on every system we run on

// The desktop's default Japanese face; fontconfig resolves it to an installed Japanese face.
inline constexpr const char* kDefaultFontName = "ＭＳ Ｐゴシック";  // a face name: not translated

struct CaptionFont {
    std::string Name = kDefaultFontName;
    std::int32_t Size = 12;  // points
    std::uint32_t Color = clWindowText;
    std::uint8_t Style = 0;  // FontStyleBits

    bool operator==(const CaptionFont&) const = default;
};

}  // namespace kalidor
