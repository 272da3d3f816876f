#pragma once
// The picture the interface images demonstrate the actions on: a lake under hills, drawn here.

#include "imaging/bitmap.h"

namespace kalidor::uidata {

// A 24-bit 4:3 landscape, width x height.
Bitmap DrawSamplePicture(int width, int height);

}  // namespace kalidor::uidata
