#pragma once
// Darkening and brightening a picture for the zoom fades.

#include "imaging/bitmap.h"

namespace kalidor {

// Converts the bitmap to 24 bits and replaces every channel value v by Round(v x factor)
// (halves to even), limited to 0..255.
void ScaleBrightness(Bitmap& bitmap, double factor);

}  // namespace kalidor
