#pragma once
// Text measuring and rasterising on FreeType and fontconfig, with Windows-like metrics: sizes
// in points at 96 dpi, advances in whole pixels, a line height of ascent + descent, no kerning.
//
// A FontRasterizer owns its FreeType library and faces, so separate objects can be used on
// separate threads; one object must not be used by two threads at once.
//
// The face is fontconfig's best match for the family name with the Japanese language added,
// so a face name that is not installed still gives a face that can show Japanese. A character
// that face lacks comes from the next face of fontconfig's fallback list that has it, and
// only when no installed face has it is the face's missing-glyph box drawn. Bold and italic
// use a real bold or italic face when fontconfig matches one, else they are synthesized
// (outline emboldening, oblique shear).
//
// Failures raise kalidor::Error ("Font: ..."): no face at all, or a FreeType error.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

// Points to pixels at 96 dpi, as Windows' MulDiv(points, 96, 72): halves away from zero.
int PointsToPixels(int points) noexcept;

// 8-bit coverage (0 none .. 255 full) of a rectangle placed relative to the top-left corner
// of the text's cell; `left`/`top` may be negative (ink before the pen or above the ascent).
struct CoverageMask {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> alpha;  // width * height, rows from the top

    bool empty() const noexcept { return width == 0 || height == 0; }
};

// A rectangle in cell coordinates (x from the pen start, y from the top of the cell).
struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
};

class FontRasterizer {
public:
    // Resolves the faces for the family and style and sets 12 points.
    FontRasterizer(std::string_view family, bool bold, bool italic);
    ~FontRasterizer();
    FontRasterizer(FontRasterizer&&) noexcept;
    FontRasterizer& operator=(FontRasterizer&&) noexcept;
    FontRasterizer(const FontRasterizer&) = delete;
    FontRasterizer& operator=(const FontRasterizer&) = delete;

    // Sizes below 1 point become 1 point.
    void SetPointSize(int points);
    int PointSize() const noexcept;
    int PixelSize() const noexcept;  // the em height in pixels

    // Line metrics of the primary face in whole pixels.
    int Ascent() const noexcept;
    int Descent() const noexcept;
    int LineHeight() const noexcept { return Ascent() + Descent(); }

    // Sum of the advances (UTF-8 text; malformed bytes count as U+FFFD).
    int TextWidth(std::string_view text);

    // The text as one line, pen starting at x = 0 and the baseline at y = Ascent(), with an
    // underline and/or strike-out across its width. Only the part inside `visible` is kept,
    // which bounds the mask for texts far longer than a frame.
    CoverageMask Rasterize(std::string_view text, bool underline, bool strikeOut, const CellRect& visible);

    // Family of the primary face, and of the face that draws the character (diagnostics).
    std::string PrimaryFamily() const;
    std::string FamilyFor(char32_t character);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Decodes UTF-8; each malformed or truncated sequence yields one U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

}  // namespace kalidor
