#pragma once
// Resamplers: each returns a new bitmap and leaves its source unchanged.
//
//   ResizeNearest   exact pixel copies, any pixel format, palette kept
//   ResizeAverage   area average (box filter), 24-bit output
//   ResizeBilinear  the bilinear surface of the source integrated over each output pixel, 24-bit
//
// Round is round-to-nearest with halves to even throughout. Precondition violations raise
// kalidor::AssertionFailure, whose message names the routine, before anything is allocated.

#include "imaging/bitmap.h"
#include "platform/error.h"

namespace kalidor {

class AssertionFailure : public Error {
public:
    using Error::Error;
};

struct SourcePoint {
    int x = 0;
    int y = 0;
};

struct NearestMapping {
    int sourceWidth = 0;
    int sourceHeight = 0;
    int outputWidth = 0;
    int outputHeight = 0;
};

using RemapFunction = SourcePoint (*)(int x, int y, const void* mappingData);

// For every output pixel (x, y) copies the source pixel that `map` names; a named point outside
// the source is painted with `fill` (per format: the low bits of the value, or blue, green and
// red of 0x00BBGGRR for 24 bits). The output keeps the source's format and palette.
Bitmap RemapBitmap(const Bitmap& source, int outputWidth, int outputHeight, const void* mappingData,
                   Color fill, RemapFunction map);

// (x * W div W', y * H div H'), 32-bit arithmetic truncating toward zero: sampling anchored at
// the top-left corner of each pixel. `mappingData` is a NearestMapping.
SourcePoint NearestSourcePoint(int x, int y, const void* mappingData);

Bitmap ResizeNearest(const Bitmap& source, int outputWidth, int outputHeight);
Bitmap ResizeAverage(const Bitmap& source, int outputWidth, int outputHeight);
// Whether `larger`, averaged down to the size of `plain`, shows the same picture: at most
// `meanLevels` apart per sample on average. Two drawings of one picture at two sizes differ by
// a level or two (the shipped action images by under 3); another picture by tens.
inline constexpr int kSamePictureMeanLevels = 8;
bool ShowsTheSamePicture(const Bitmap& larger, const Bitmap& plain, int meanLevels = kSamePictureMeanLevels);
Bitmap ResizeBilinear(const Bitmap& source, int outputWidth, int outputHeight);

// A window of the ResizeBilinear output: the pixels [left, left + width) x [top, top + height)
// of the outputWidth x outputHeight result, computed without computing the rest. The window
// must lie inside the output. Its bytes equal the same pixels of the full ResizeBilinear.
Bitmap ResizeBilinearWindow(const Bitmap& source, int outputWidth, int outputHeight, int left, int top,
                            int width, int height);

}  // namespace kalidor
