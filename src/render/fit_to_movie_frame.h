#pragma once
// Fitting a loaded picture into the movie frame: scaled by nearest neighbour until it touches
// two opposite sides, aspect kept, centred on black.

#include "imaging/bitmap.h"

namespace kalidor {

struct FrameFit {
    int width = 0;   // the scaled picture
    int height = 0;
    int x = 0;       // its top-left corner in the frame
    int y = 0;
    bool operator==(const FrameFit&) const = default;
};

// The size and place of a w x h picture in an MW x MH frame. A side that would round to 0
// (a picture far thinner than the frame) is kept at 1 pixel.
FrameFit FitInFrame(int w, int h, int frameWidth, int frameHeight);

// Replaces the picture by a frameWidth x frameHeight 24-bit bitmap holding it fitted and
// centred on black. The picture must not be empty.
void FitToMovieFrame(Bitmap& picture, int frameWidth, int frameHeight);

}  // namespace kalidor
