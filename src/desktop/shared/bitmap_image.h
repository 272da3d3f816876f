#pragma once
// Engine bitmaps shown in widgets.

#include "imaging/bitmap.h"

#include <QColor>
#include <QImage>

#include <cstdint>

namespace kalidor {

// An opaque copy of any bitmap format; an empty bitmap gives a null image.
QImage ToQImage(const Bitmap& bitmap);

// A colour as the engine stores it (0x00BBGGRR, or a system colour, which is black here like the
// window text it stands for) and back.
QColor ToQColor(std::uint32_t color);
std::uint32_t FromQColor(const QColor& color);

}  // namespace kalidor
