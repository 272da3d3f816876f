#include "imaging/fitted_size.h"

#include <algorithm>
#include <cmath>

namespace kalidor {
namespace {

// nearest(...): round to nearest, halves to the even neighbour.
int nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

FitSize FittedSize(int width, int height, int boxWidth, int boxHeight) {
    // Quotients in floating point before the multiplication; nearest() rounds halves to even.
    const double w = width, h = height;
    FitSize s;
    if (width < height) {
        s = {nearest(w / h * boxHeight), boxHeight};
        if (s.width > boxWidth)
            s = {boxWidth, nearest(h / w * boxWidth)};
    } else {
        s = {boxWidth, nearest(h / w * boxWidth)};
        if (s.height > boxHeight)
            s = {nearest(w / h * boxHeight), boxHeight};
    }
    // A very long, thin picture would round a side to 0, which no resampler takes.
    s.width = std::max(s.width, 1);
    s.height = std::max(s.height, 1);
    return s;
}

}  // namespace kalidor
