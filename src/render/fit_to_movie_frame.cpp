#include "render/fit_to_movie_frame.h"

#include "imaging/drawing.h"
#include "platform/error.h"
#include "imaging/bitmap_utils.h"

#include <algorithm>
#include <cmath>

namespace kalidor {
namespace {

// Round: nearest, halves to the even neighbour.
int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

FrameFit FitInFrame(int w, int h, int frameWidth, int frameHeight) {
    const double pw = w, ph = h;
    FrameFit fit;
    if (w < h) {
        fit.width = roundEven(pw / ph * frameHeight);
        fit.height = frameHeight;
        if (fit.width > frameWidth) {
            fit.width = frameWidth;
            fit.height = roundEven(ph / pw * frameWidth);
        }
    } else {
        fit.width = frameWidth;
        fit.height = roundEven(ph / pw * frameWidth);
        if (fit.height > frameHeight) {
            fit.width = roundEven(pw / ph * frameHeight);
            fit.height = frameHeight;
        }
    }
    fit.width = std::max(fit.width, 1);
    fit.height = std::max(fit.height, 1);
    // Round of a half difference: 5 / 2 gives 2, 7 / 2 gives 4.
    fit.x = roundEven((frameWidth - fit.width) / 2.0);
    fit.y = roundEven((frameHeight - fit.height) / 2.0);
    return fit;
}

void FitToMovieFrame(Bitmap& picture, int frameWidth, int frameHeight) {
    if (picture.empty())
        throw Error("FitToMovieFrame: the picture is empty");
    const FrameFit fit = FitInFrame(picture.width(), picture.height(), frameWidth, frameHeight);
    // Nearest neighbour keeps the source format; drawing needs 24 bits.
    const Bitmap scaled = ResizeNearest(picture, fit.width, fit.height).toBgr24();
    Bitmap frame(frameWidth, frameHeight, 24);
    FillBitmap(frame, 0);
    DrawBitmap(frame, scaled, fit.x, fit.y);
    picture = std::move(frame);
}

}  // namespace kalidor
