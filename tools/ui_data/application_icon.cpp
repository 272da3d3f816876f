#include "sample_picture.h"
#include "style.h"
#include "ui_images.h"

namespace kalidor::uidata {

// Drawn on a 256 grid and scaled, so every size keeps the same proportions.
Bitmap ApplicationIcon(int size) {
    Canvas c(size, size);
    const float s = size / 256.0f;
    c.roundRectGradient(8 * s, 8 * s, 240 * s, 240 * s, 48 * s, hex(0x5A9AD8), hex(0x2F68A8));
    // A photograph with a white border, the film's first frame.
    c.roundRect(36 * s, 52 * s, 184 * s, 142 * s, 14 * s, hex(0xFFFFFF));
    const int pw = static_cast<int>(168 * s), ph = static_cast<int>(126 * s);
    if (pw > 0 && ph > 0)
        c.picture(DrawSamplePicture(pw, ph), static_cast<int>(44 * s), static_cast<int>(60 * s), 8 * s);
    // Sprocket holes along the top and bottom edges of the icon.
    for (int i = 0; i < 6; ++i) {
        c.roundRect((40 + i * 32) * s, 22 * s, 18 * s, 14 * s, 3 * s, hex(0xFFFFFF, 0.85f));
        c.roundRect((40 + i * 32) * s, 218 * s, 18 * s, 14 * s, 3 * s, hex(0xFFFFFF, 0.85f));
    }
    // The play badge: the pictures become a movie.
    c.circle(190 * s, 176 * s, 42 * s, hex(0xFFFFFF));
    c.circle(190 * s, 176 * s, 35 * s, colours::accent);
    DrawGlyph(c, Glyph::Film, 193 * s, 176 * s, 40 * s, hex(0xFFFFFF), colours::accent);
    return c.toBgra32();
}

}  // namespace kalidor::uidata
