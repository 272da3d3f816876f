#include "render/caption.h"

#include "platform/error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace kalidor {
namespace {

// The character measured to size a caption: a full-width kana.
constexpr std::string_view kSizingCharacter = "あ";  // a measure: not translated
constexpr int kSetupPointSize = 100;

// Windows' default ("classic") system colours, 0x00BBGGRR, by index.
constexpr std::array<Color, 31> kSystemColors = {
    0x00C8D0D4,  //  0 scroll bar
    0x00A56E3A,  //  1 desktop
    0x006A240A,  //  2 active caption
    0x00808080,  //  3 inactive caption
    0x00C8D0D4,  //  4 menu
    0x00FFFFFF,  //  5 window
    0x00000000,  //  6 window frame
    0x00000000,  //  7 menu text
    0x00000000,  //  8 window text
    0x00FFFFFF,  //  9 caption text
    0x00C8D0D4,  // 10 active border
    0x00C8D0D4,  // 11 inactive border
    0x00808080,  // 12 application workspace
    0x006A240A,  // 13 highlight
    0x00FFFFFF,  // 14 highlight text
    0x00C8D0D4,  // 15 button face
    0x00808080,  // 16 button shadow
    0x00808080,  // 17 grey text
    0x00000000,  // 18 button text
    0x00C8D0D4,  // 19 inactive caption text
    0x00FFFFFF,  // 20 button highlight
    0x00404040,  // 21 3-D dark shadow
    0x00C8D0D4,  // 22 3-D light
    0x00000000,  // 23 tooltip text
    0x00E1FFFF,  // 24 tooltip background
    0x00B5B5B5,  // 25 (unassigned)
    0x00800000,  // 26 hot-tracked item
    0x00F0CAA6,  // 27 active caption gradient
    0x00C0C0C0,  // 28 inactive caption gradient
    0x006A240A,  // 29 menu highlight
    0x00C8D0D4,  // 30 menu bar
};

bool isBlank(std::string_view text) noexcept {
    // Blanks are the space and the control characters, as a Trim removes them.
    for (char c : text)
        if (static_cast<unsigned char>(c) > 0x20) return false;
    return true;
}

// Round to nearest, halves to even.
int roundHalfEven(double value) noexcept {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
    return static_cast<int>(rounded);
}

// dst + (colour - dst) * a / 255, the quotient rounded half away from zero so that a = 255
// gives the colour exactly and the result is the same on every machine.
std::uint8_t blend(std::uint8_t destination, std::uint8_t colour, std::uint8_t alpha) noexcept {
    const int delta = (colour - destination) * alpha;
    const int step = delta >= 0 ? (delta + 127) / 255 : -((-delta + 127) / 255);
    return static_cast<std::uint8_t>(destination + step);
}

}  // namespace

Color ResolveCaptionColor(std::uint32_t color) noexcept {
    if (color & kSystemColorFlag) {
        const std::uint32_t index = color & ~kSystemColorFlag;
        return index < kSystemColors.size() ? kSystemColors[index] : 0x00000000;
    }
    return color & 0x00FFFFFF;
}

void CaptionSurface::SetFont(const CaptionFont& font) {
    font_ = font;
    SetFontSize(font.Size);
}

void CaptionSurface::SetFontSize(int points) {
    font_.Size = points;
    Rasterizer().SetPointSize(points);
    font_.Size = Rasterizer().PointSize();
}

FontRasterizer& CaptionSurface::Rasterizer() {
    // The faces depend on name and bold/italic only; reopen them only when those change.
    const std::uint8_t faceStyle = font_.Style & (fsBold | fsItalic);
    if (!rasterizer_ || openName_ != font_.Name || openStyle_ != faceStyle) {
        rasterizer_.emplace(font_.Name, (faceStyle & fsBold) != 0, (faceStyle & fsItalic) != 0);
        openName_ = font_.Name;
        openStyle_ = faceStyle;
    }
    rasterizer_->SetPointSize(font_.Size);
    return *rasterizer_;
}

int CaptionSurface::TextWidth(std::string_view text) { return Rasterizer().TextWidth(text); }

int CaptionSurface::TextHeight() { return Rasterizer().LineHeight(); }

CaptionLayer CaptionSurface::Rasterize(std::string_view text, const std::optional<CellRect>& visible) {
    constexpr int kHuge = std::numeric_limits<int>::max() / 2;
    const CellRect everything{-kHuge, -kHuge, kHuge, kHuge};
    CoverageMask mask =
        Rasterizer().Rasterize(text, (font_.Style & fsUnderline) != 0, (font_.Style & fsStrikeOut) != 0,
                               visible.value_or(everything));
    return CaptionLayer(std::move(mask), ResolveCaptionColor(font_.Color));
}

void SetupCaptionFont(CaptionSurface& surface, int frameWidth, const TThPicObject& picture) {
    if (isBlank(picture.Text)) return;
    // Evaluated in double in this order, then Trunc; compared in double so that no size can
    // overflow an int.
    const double target =
        std::trunc(static_cast<double>(picture.Font.Size) * 2 * 0.01 * (static_cast<double>(frameWidth) / 6));
    CaptionFont font = picture.Font;
    font.Size = kSetupPointSize;
    surface.SetFont(font);
    int size = kSetupPointSize;
    while (size > 1 && surface.TextWidth(kSizingCharacter) > target) surface.SetFontSize(--size);
}

CaptionPoint CaptionPositionFor(std::uint8_t strAction, int frameWidth, int frameHeight, int textWidth,
                                int textHeight) noexcept {
    const int leftX = CAPTION_MARGIN;
    // Round to nearest, halves to even, of W/2 - tw/2 with both halves taken in double.
    const int centerX = roundHalfEven(frameWidth / 2.0 - textWidth / 2.0);
    const int rightX = frameWidth - textWidth - CAPTION_MARGIN;
    const int topY = CAPTION_MARGIN;
    const int middleY = roundHalfEven(frameHeight / 2.0 - textHeight / 2.0);
    const int bottomY = frameHeight - textHeight - CAPTION_MARGIN;
    switch (strAction) {
    case asCenterL: return {leftX, middleY};
    case asCenterC: return {centerX, middleY};
    case asCenterR: return {rightX, middleY};
    case asTopL: return {leftX, topY};
    case asTopC: return {centerX, topY};
    case asTopR: return {rightX, topY};
    case asBottomL: return {leftX, bottomY};
    case asBottomC: return {centerX, bottomY};
    case asBottomR: return {rightX, bottomY};
    default: return {0, 0};  // asNone, and unknown actions draw at the corner
    }
}

CaptionPoint CaptionPosition(CaptionSurface& surface, int frameWidth, int frameHeight,
                             const TThPicObject& picture) {
    if (picture.StrAction == asNone) return {0, 0};
    return CaptionPositionFor(picture.StrAction, frameWidth, frameHeight, surface.TextWidth(picture.Text),
                              surface.TextHeight());
}

CaptionLayer RasterizeCaption(CaptionSurface& surface, const TThPicObject& picture,
                              const std::optional<CellRect>& visible) {
    if (picture.StrAction == asNone || picture.Text.empty()) return {};
    return surface.Rasterize(picture.Text, visible);
}

PreparedCaption PrepareCaption(int frameWidth, int frameHeight, const TThPicObject& picture) {
    if (picture.StrAction == asNone || picture.Text.empty()) return {};
    CaptionSurface surface;
    SetupCaptionFont(surface, frameWidth, picture);
    PreparedCaption prepared;
    prepared.point = CaptionPosition(surface, frameWidth, frameHeight, picture);
    const CellRect frameInCell{-prepared.point.x, -prepared.point.y, frameWidth - prepared.point.x,
                               frameHeight - prepared.point.y};
    prepared.layer = RasterizeCaption(surface, picture, frameInCell);
    return prepared;
}

void DrawCaption(Bitmap& frame, CaptionPoint point, const CaptionLayer& layer) {
    if (frame.bitsPerPixel() != 24) throw Error("Caption: the frame is not 24-bit");
    if (layer.empty()) return;
    const CoverageMask& mask = layer.mask();
    // The mask's rectangle on the frame, in 64 bits so that far-off points cannot overflow.
    const std::int64_t left = std::int64_t{point.x} + mask.left;
    const std::int64_t top = std::int64_t{point.y} + mask.top;
    const std::int64_t x0 = std::max<std::int64_t>(left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(left + mask.width, frame.width());
    const std::int64_t y0 = std::max<std::int64_t>(top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(top + mask.height, frame.height());
    if (x0 >= x1 || y0 >= y1) return;
    const std::uint8_t red = redOf(layer.color()), green = greenOf(layer.color()),
                       blue = blueOf(layer.color());
    for (auto y = static_cast<int>(y0); y < y1; ++y) {
        const std::uint8_t* coverage =
            &mask.alpha[static_cast<std::size_t>(y - top) * mask.width + (x0 - left)];
        std::uint8_t* pixel = frame.row(y) + x0 * 3;
        for (auto x = x0; x < x1; ++x, ++coverage, pixel += 3) {
            const std::uint8_t a = *coverage;
            if (a == 0) continue;
            pixel[0] = blend(pixel[0], blue, a);
            pixel[1] = blend(pixel[1], green, a);
            pixel[2] = blend(pixel[2], red, a);
        }
    }
}

}  // namespace kalidor
