#include "render/frame_composer.h"

#include "imaging/drawing.h"
#include "platform/error.h"
#include "imaging/bitmap_utils.h"
#include "render/scale_brightness.h"

#include <algorithm>

namespace kalidor {

FrameComposer::FrameComposer(const Bitmap& picture, std::function<void(Bitmap&)> drawCaption)
    : picture_(picture), drawCaption_(std::move(drawCaption)) {
    if (picture.bitsPerPixel() != 24 || picture.empty())
        throw Error("FrameComposer: the fitted picture must be a non-empty 24-bit bitmap");
}

void FrameComposer::compose(const FrameRecipe& recipe, Bitmap& frame) const {
    const bool sized = frame.width() == picture_.width() && frame.height() == picture_.height() &&
                       frame.bitsPerPixel() == 24;
    if (recipe.kind == FrameRecipe::Kind::Zoom) {
        composeZoom(recipe, frame, sized);
    } else {
        blank(frame, sized);
        for (const Span& s : recipe.spans) {
            if (recipe.rows)
                CopyRows(frame, picture_, s.begin, s.end);
            else
                CopyColumns(frame, picture_, s.begin, s.end);
        }
    }
    if (drawCaption_)
        drawCaption_(frame);
}

void FrameComposer::blank(Bitmap& frame, bool sized) const {
    if (sized)
        FillBitmap(frame, 0);
    else
        frame = Bitmap(picture_.width(), picture_.height(), 24);  // made black
}

void FrameComposer::composeZoom(const FrameRecipe& r, Bitmap& frame, bool sized) const {
    // Only the part of the enlargement that lands inside the frame is resampled and darkened:
    // late in a zoom the enlargement is up to nine times the frame's area.
    int left = std::max(0, -r.left), top = std::max(0, -r.top);
    int right = std::min(r.zoomWidth, picture_.width() - r.left);
    int bottom = std::min(r.zoomHeight, picture_.height() - r.top);
    if (resampleWholeZoom_) {
        left = top = 0;
        right = r.zoomWidth;
        bottom = r.zoomHeight;
    }
    if (left >= right || top >= bottom)
        return blank(frame, sized);
    Bitmap part = ResizeBilinearWindow(picture_, r.zoomWidth, r.zoomHeight, left, top, right - left, bottom - top);
    if (r.scaled)
        ScaleBrightness(part, r.brightness);
    // Once the enlargement fills the frame, the part is the frame: no blanking, no copy.
    if (r.left + left == 0 && r.top + top == 0 && part.width() == picture_.width() &&
        part.height() == picture_.height()) {
        frame = std::move(part);
        return;
    }
    blank(frame, sized);
    DrawBitmap(frame, part, r.left + left, r.top + top);
}

}  // namespace kalidor
