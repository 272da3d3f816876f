#pragma once
// One look for every interface image: flat faces, soft blues, rounded corners, IPA Gothic.

#include "canvas.h"

#include "imaging/font_rasterizer.h"

namespace kalidor::uidata {

namespace colours {
inline const Rgba ink = hex(0x2B3A4A);
inline const Rgba inkSoft = hex(0x5E6E7F);
inline const Rgba accent = hex(0x3A7CC0);
inline const Rgba accentLight = hex(0xDCE9F7);
inline const Rgba green = hex(0x3F9E70);
inline const Rgba rose = hex(0xD0625F);
inline const Rgba grey = hex(0x98A6B5);
inline const Rgba page = hex(0xFFFFFF);
}  // namespace colours

// The interface face at a size in points (96 dpi), synthesised bold where asked.
FontRasterizer UiFont(int points, bool bold);

// Active is the page shown, and the face of the one main command; it has its own over and down.
enum class Face { Normal, Over, Down, Active, ActiveOver, ActiveDown };

// A button face filling the canvas: a 1-pixel soft shadow below, rounded corners.
void DrawFace(Canvas& canvas, Face face, float radius);

enum class Glyph {
    Plus, Cross, Pencil, Trash, Open, Desktop, Document, ArrowLeft, ArrowRight,
    Film, Save, Clock, Images, Sparkle, NoEntry,
};

// A pictogram in a box of `size` centred at (cx, cy); details are cut out in `hole`, the colour
// the glyph stands on.
void DrawGlyph(Canvas& canvas, Glyph glyph, float cx, float cy, float size, Rgba colour, Rgba hole);

}  // namespace kalidor::uidata
