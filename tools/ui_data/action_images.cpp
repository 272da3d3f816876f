#include "ui_images.h"

#include "style.h"

#include "model/action_types.h"
#include "model/pic_object.h"
#include "imaging/bitmap_utils.h"
#include "render/caption.h"
#include "render/frame_composer.h"
#include "render/frame_recipe.h"
#include "platform/error.h"

#include <algorithm>
#include <array>
#include <string>
#include <tuple>

namespace kalidor::uidata {
namespace {

// Moments shown for a picture action: a 4-second picture (120 frames), three frames of the
// opening, one of the middle and two of the ending.
constexpr int kDemoFrames = 120;
constexpr std::array<int, 6> kMoments = {8, 15, 23, 60, 99, 110};

// Frame `movieFrame` (in showing order) of the action on `fitted`, composed by the renderer's own
// plan and composer.
Bitmap Moment(std::uint8_t action, const Bitmap& fitted, int movieFrame) {
    const EffectPlan plan = PlanForAction(action, fitted.width(), fitted.height(), kDemoFrames);
    const int k = plan.reversed ? kDemoFrames - 1 - movieFrame : movieFrame;
    const FrameComposer composer(fitted, {});
    Bitmap frame;
    composer.compose(plan.frames[static_cast<std::size_t>(k)], frame);
    return frame;
}

// The sample with the caption "タイトル" (in the catalogue's language) placed by the text action, drawn by the caption
// renderer: a dark copy `shadowOffset` pixels down-right, then the white text.
Bitmap CaptionOn(const Bitmap& picture, std::uint8_t strAction, int fontPoints, int shadowOffset,
                 const Catalogue& words) {
    Bitmap frame = picture;
    TThPicObject caption;
    caption.Text = words.Translate("Actions", QT_TRANSLATE_NOOP("Actions", "タイトル"));
    caption.StrAction = strAction;
    caption.Font.Size = fontPoints;
    caption.Font.Style = fsBold;
    caption.Font.Color = 0x00303030;
    PreparedCaption shadow = PrepareCaption(frame.width(), frame.height(), caption);
    DrawCaption(frame, {shadow.point.x + shadowOffset, shadow.point.y + shadowOffset}, shadow.layer);
    caption.Font.Color = 0x00FFFFFF;
    const PreparedCaption text = PrepareCaption(frame.width(), frame.height(), caption);
    DrawCaption(frame, text.point, text.layer);
    return frame;
}

void Badge(Canvas& c, float cx, float cy, int number, FontRasterizer& font) {
    c.circle(cx, cy, 9, hex(0xFFFFFF, 0.95f));
    c.circle(cx, cy, 8, colours::accent);
    c.textCentred(font, std::to_string(number), cx - 9, cy - 9, 18, 18, hex(0xFFFFFF));
}

// The icon's tile: white, rounded, on the panel's button-face grey.
Canvas Tile(int scale) {
    Canvas c(44, 44, scale);
    c.roundRect(0.5f, 0.5f, 43, 43, 6, hex(0xFFFFFF));
    c.roundRectOutline(0.5f, 0.5f, 43, 43, 6, 1, hex(0xC6D0DC));
    return c;
}

const Rgba kPanelFace = hex(0xF0F0F0);

}  // namespace

std::vector<ActionInfo> CatalogueActions() { return DeliveredActions(); }

Bitmap ActionIcon(const ActionInfo& action, const Bitmap& sample, int scale) {
    Canvas c = Tile(scale);
    const bool none = action.picture ? action.value == apNone : action.value == asNone;
    if (none) {
        DrawGlyph(c, Glyph::NoEntry, 22, 22, 28, colours::grey, hex(0xFFFFFF));
        return c.toBgr24(kPanelFace);
    }
    const Rgba white = hex(0xFFFFFF);
    if (action.picture) {
        // A moment of the opening, composed at a size where the combed curtain edge and the slats
        // keep their proportions, then averaged down to the icon's pixels.
        const int moment = action.value == apZoomIN || action.value == apZoomOut ? 20 : 15;
        const Bitmap big = Moment(action.value, ResizeAverage(sample, 320, 240), moment);
        c.picture(ResizeAverage(big, 40 * scale, 30 * scale), 2, 7, 3);
        switch (action.value) {
        case apZoomIN:
        case apZoomOut: {
            const bool in = action.value == apZoomIN;
            for (const auto& [dx, dy] : std::array<std::pair<float, float>, 4>{{{-1, -1}, {1, -1}, {-1, 1}, {1, 1}}}) {
                const Point inner{22 + dx * 5, 22 + dy * 3.5f}, outer{22 + dx * 14, 22 + dy * 10};
                const Point tip = in ? outer : inner, tail = in ? inner : outer;
                c.line(tail, tip, 1.8f, white);
                c.line(tip, {tip.x - dx * 4 * (in ? 1 : -1), tip.y}, 1.8f, white);
                c.line(tip, {tip.x, tip.y - dy * 4 * (in ? 1 : -1)}, 1.8f, white);
            }
            break;
        }
        case apCurtainLeft: DrawGlyph(c, Glyph::ArrowRight, 31, 22, 16, white, white); break;
        case apCurtainRight: DrawGlyph(c, Glyph::ArrowLeft, 13, 22, 16, white, white); break;
        case apBlindHorizon: DrawGlyph(c, Glyph::ArrowRight, 22, 22, 18, white, white); break;
        case apBlindVertical:
            c.line({22, 14}, {22, 30}, 2.2f, white), c.line({22, 30}, {17.5f, 25.5f}, 2.2f, white);
            c.line({22, 30}, {26.5f, 25.5f}, 2.2f, white);
            break;
        default: break;
        }
    } else {
        // Where the caption stands, found on a 160 x 120 frame and drawn at a quarter.
        c.picture(ResizeAverage(sample, 40 * scale, 30 * scale), 2, 7, 3);
        const CaptionPoint at = CaptionPositionFor(action.value, 160, 120, 60, 22);
        const float x = 2 + at.x / 4.0f, y = 7 + at.y / 4.0f;
        c.roundRect(x - 0.5f, y - 0.5f, 16, 6.5f, 2, hex(0x1E2D3D, 0.75f));
        c.roundRect(x + 0.5f, y + 0.5f, 14, 4.5f, 1.5f, white);
    }
    return c.toBgr24(kPanelFace);
}

Bitmap ActionDescription(const ActionInfo& action, const Bitmap& sample, int scale, const Catalogue& words) {
    Canvas c(394, 267, scale);
    c.fill(colours::page);
    FontRasterizer title = UiFont(13, true);
    FontRasterizer body = UiFont(10, false);
    FontRasterizer small = UiFont(8, true);
    c.roundRect(12, 12, 4, 20, 2, colours::accent);
    const std::string name = words.Translate("Actions", action.name);
    const std::string explanation = words.Translate("Actions", action.explanation);
    // A translation too long for the image is refused, never cut.
    for (const auto& [font, text, left] : {std::tuple{&title, &name, 22}, std::tuple{&body, &explanation, 14}})
        if (font->TextWidth(*text) > 394 - 2 * left)
            throw Error("make-ui-data: \"" + *text + "\" does not fit the description of " + action.identifier);
    c.text(title, name, 22, 12 + (20 - title.LineHeight()) / 2.0f, colours::ink);
    c.text(body, explanation, 14, 40, colours::inkSoft);

    const bool none = action.picture ? action.value == apNone : action.value == asNone;
    if (action.picture && !none) {
        // Composed at one size for every scale, so each moment is the same, then averaged down.
        const Bitmap fitted = ResizeAverage(sample, 480, 360);
        for (std::size_t i = 0; i < kMoments.size(); ++i) {
            const int x = 7 + static_cast<int>(i % 3) * 130;
            const int y = 66 + static_cast<int>(i / 3) * 100;
            c.roundRect(x - 1, y - 1, 122, 92, 6, hex(0xD5DCE5));
            c.picture(ResizeAverage(Moment(action.value, fitted, kMoments[i]), 120 * scale, 90 * scale), x, y, 5);
            Badge(c, x + 12, y + 12, static_cast<int>(i) + 1, small);
        }
        return c.toBgr24(colours::page);
    }
    const int w = 248, h = 186, x = (394 - w) / 2, y = 68;
    // The caption is drawn on the frame at the result's pixels; its margin stays the renderer's.
    const Bitmap frame = ResizeAverage(sample, w * scale, h * scale);
    c.roundRect(x - 1, y - 1, w + 2, h + 2, 7, hex(0xD5DCE5));
    c.picture(none ? frame : CaptionOn(frame, action.value, 22 * scale, scale, words), x, y, 6);
    return c.toBgr24(colours::page);
}

}  // namespace kalidor::uidata
