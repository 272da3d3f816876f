#pragma once
// Drawing on 24-bit bitmaps, clipped to the destination.

#include "imaging/bitmap.h"

namespace kalidor {

// Fills the whole bitmap with one colour (0x00BBGGRR); the bitmap must be 24-bit.
void FillBitmap(Bitmap& bitmap, Color color);

// Copies the whole source onto the destination with its top-left corner at (x, y); parts that
// fall outside the destination are dropped. Both bitmaps must be 24-bit.
void DrawBitmap(Bitmap& destination, const Bitmap& source, int x, int y);

// Copies columns [left, right) of every row, or rows [top, bottom) of every column, from the
// source to the same place in the destination; both have the same size. Ranges are clipped.
void CopyColumns(Bitmap& destination, const Bitmap& source, int left, int right);
void CopyRows(Bitmap& destination, const Bitmap& source, int top, int bottom);

}  // namespace kalidor
