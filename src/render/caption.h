#pragma once
// Captions: a picture's text drawn in one line onto the movie frames, in the picture's font and
// colour, anti-aliased, with a transparent background, at one of nine places of the frame.
//
// The caption is the same on every frame of a picture, and frames are composed on several
// threads, so the work is split in two:
//
//   set-up, once per picture, on one thread:
//       CaptionSurface surface;
//       SetupCaptionFont(surface, W, picture);                  // font and size for the frame
//       CaptionPoint at = CaptionPosition(surface, W, H, picture);
//       CaptionLayer layer = RasterizeCaption(surface, picture); // coverage mask, made once
//     (PrepareCaption(W, H, picture) does these steps and keeps the point.)
//
//   per frame, on any thread:
//       DrawCaption(frame, at, layer);  // blends the mask; reads the layer only, allocates nothing
//
// What can go wrong: the set-up raises kalidor::Error when no font is installed at all or
// FreeType fails; DrawCaption raises kalidor::Error for a frame that is not 24-bit. A face name
// that is not installed is no error: fontconfig's nearest Japanese-capable face is used.

#include "model/caption_font.h"
#include "model/pic_object.h"
#include "imaging/bitmap.h"
#include "imaging/font_rasterizer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kalidor {

inline constexpr int CAPTION_MARGIN = 10;  // pixels between a caption and the frame edge

struct CaptionPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CaptionPoint&) const = default;
};

// 0x00BBGGRR as it is, or a system colour (0x80000000 + index) through the Windows default
// system colour table; an unknown index is black.
Color ResolveCaptionColor(std::uint32_t color) noexcept;

// An immutable rasterised caption: coverage relative to the top-left corner of the text cell,
// and the colour. Safe to share between threads. A default layer draws nothing.
class CaptionLayer {
public:
    CaptionLayer() = default;
    CaptionLayer(CoverageMask mask, Color color) : mask_(std::move(mask)), color_(color) {}

    bool empty() const noexcept { return mask_.empty(); }
    const CoverageMask& mask() const noexcept { return mask_; }
    Color color() const noexcept { return color_; }  // resolved 0x00BBGGRR

private:
    CoverageMask mask_;
    Color color_ = 0;
};

// The set-up side: the font a caption is measured and rasterised with. Not thread-safe (it
// owns FreeType objects); one per set-up thread.
class CaptionSurface {
public:
    // The default caption font (CaptionFont{}); the face is resolved on first use.
    CaptionSurface() = default;

    // Name, style, colour and size. Sizes are kept within 1..1000 points.
    void SetFont(const CaptionFont& font);
    void SetFontSize(int points);
    const CaptionFont& Font() const noexcept { return font_; }

    // Sum of the advances in whole pixels, and the line height (ascent + descent).
    int TextWidth(std::string_view text);
    int TextHeight();

    // The text in one line with its cell's top-left corner at (0, 0), underline and
    // strike-out per the font's style. With `visible` (cell coordinates) only that part is kept.
    CaptionLayer Rasterize(std::string_view text, const std::optional<CellRect>& visible = std::nullopt);

    // The resolved faces, for diagnostics.
    FontRasterizer& Rasterizer();

private:
    CaptionFont font_;
    std::optional<FontRasterizer> rasterizer_;
    std::string openName_;
    std::uint8_t openStyle_ = 0;
};

// Sets the surface's font for the picture on a frame `frameWidth` wide: colour, face name and
// style from picture.Font, and the largest size of at most 100 points at which "あ" is no
// wider than Trunc(Font.Size * 2 * 0.01 * (frameWidth / 6)) pixels, never below 1 point.
// Does nothing when the text is empty or only blanks.
void SetupCaptionFont(CaptionSurface& surface, int frameWidth, const TThPicObject& picture);

// The top-left corner of a textWidth x textHeight cell placed per the text action on a
// frameWidth x frameHeight frame: CAPTION_MARGIN from the edges at left/top/right/bottom,
// centred with halves rounded to even. asNone and unknown actions give (0, 0).
CaptionPoint CaptionPositionFor(std::uint8_t strAction, int frameWidth, int frameHeight, int textWidth,
                                int textHeight) noexcept;

// CaptionPositionFor with the picture's whole text measured in the surface's font.
CaptionPoint CaptionPosition(CaptionSurface& surface, int frameWidth, int frameHeight,
                             const TThPicObject& picture);

// The picture's caption rasterised in the surface's font; an empty layer when the action is
// asNone or the text is empty.
CaptionLayer RasterizeCaption(CaptionSurface& surface, const TThPicObject& picture,
                              const std::optional<CellRect>& visible = std::nullopt);

// All the set-up for one picture and frame size, keeping only what lies inside the frame.
struct PreparedCaption {
    CaptionLayer layer;
    CaptionPoint point;
};
PreparedCaption PrepareCaption(int frameWidth, int frameHeight, const TThPicObject& picture);

// Blends the layer onto a 24-bit frame with the cell's top-left corner at `point`, clipped at
// the frame's edges (the point may be negative): dst += (colour - dst) * coverage / 255,
// rounded. Reads the layer only and allocates nothing, so it can run on many threads at once
// (each on its own frame). Throws kalidor::Error when the frame is not 24-bit.
void DrawCaption(Bitmap& frame, CaptionPoint point, const CaptionLayer& layer);

}  // namespace kalidor
