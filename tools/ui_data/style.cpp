#include "style.h"

#include <cmath>

namespace kalidor::uidata {

FontRasterizer UiFont(int points, bool bold) {
    FontRasterizer font("IPAPGothic", bold, false);
    font.SetPointSize(points);
    return font;
}

void DrawFace(Canvas& canvas, Face face, float radius) {
    const float w = static_cast<float>(canvas.width()), h = static_cast<float>(canvas.height());
    struct Look {
        Rgba top, bottom, line;
    };
    const Look look = [&] {
        switch (face) {
        case Face::Over: return Look{hex(0xF5F9FE), hex(0xE4EEF9), hex(0x8DB4DC)};
        case Face::Down: return Look{hex(0xD3E3F4), hex(0xC9DCF0), hex(0x6D9DCF)};
        case Face::Active: return Look{hex(0x4D93D8), hex(0x3A78BD), hex(0x3470B0)};
        case Face::ActiveOver: return Look{hex(0x62A5E6), hex(0x4A8BCF), hex(0x3F7DBE)};
        case Face::ActiveDown: return Look{hex(0x3A76B6), hex(0x3169A6), hex(0x2B5F98)};
        case Face::Normal: break;
        }
        return Look{hex(0xFFFFFF), hex(0xF0F3F7), hex(0xC6D0DC)};
    }();
    if (face != Face::Down && face != Face::ActiveDown)
        canvas.roundRect(0.5f, 1.5f, w - 1, h - 2, radius, hex(0x1E2D3D, 0.10f));
    canvas.roundRectGradient(0.5f, 0.5f, w - 1, h - 2, radius, look.top, look.bottom);
    canvas.roundRectOutline(0.5f, 0.5f, w - 1, h - 2, radius, 1, look.line);
}

void DrawGlyph(Canvas& c, Glyph glyph, float cx, float cy, float size, Rgba colour, Rgba hole) {
    const float s = size / 20.0f;  // glyphs are drawn on a 20 x 20 grid centred at (cx, cy)
    const auto P = [&](float x, float y) { return Point{cx + (x - 10) * s, cy + (y - 10) * s}; };
    const float stroke = 2.2f * s;
    const auto L = [&](float x0, float y0, float x1, float y1) { c.line(P(x0, y0), P(x1, y1), stroke, colour); };
    switch (glyph) {
    case Glyph::Plus:
        L(10, 3, 10, 17), L(3, 10, 17, 10);
        break;
    case Glyph::Cross:
        L(4.5f, 4.5f, 15.5f, 15.5f), L(15.5f, 4.5f, 4.5f, 15.5f);
        break;
    case Glyph::Pencil:
        c.polygon({P(13, 3), P(17, 7), P(8, 16), P(4, 12)}, colour);
        c.polygon({P(3.2f, 13), P(7, 16.8f), P(2.4f, 17.6f)}, colour);
        break;
    case Glyph::Trash:
        L(4, 5, 16, 5), L(8, 3, 12, 3);
        c.polygon({P(5.5f, 7), P(14.5f, 7), P(13.5f, 17.5f), P(6.5f, 17.5f)}, colour);
        c.line(P(8.5f, 9.5f), P(8.8f, 15), 1.2f * s, hole), c.line(P(11.5f, 9.5f), P(11.2f, 15), 1.2f * s, hole);
        break;
    case Glyph::Open:
        c.polygon({P(2, 5), P(8, 5), P(10, 7), P(18, 7), P(18, 16.5f), P(2, 16.5f)}, colour);
        break;
    case Glyph::Desktop:
        c.roundRectOutline(cx - 8 * s, cy - 7 * s, 16 * s, 11 * s, 1.5f * s, stroke, colour);
        L(10, 14, 10, 16.5f), L(6.5f, 17, 13.5f, 17);
        break;
    case Glyph::Document:
        c.polygon({P(5, 2.5f), P(12, 2.5f), P(15.5f, 6), P(15.5f, 17.5f), P(5, 17.5f)}, colour);
        c.line(P(7.5f, 9), P(13, 9), 1.3f * s, hole), c.line(P(7.5f, 12), P(13, 12), 1.3f * s, hole);
        c.line(P(7.5f, 15), P(11, 15), 1.3f * s, hole);
        break;
    case Glyph::ArrowLeft:
        L(16, 10, 4, 10), L(4, 10, 9, 5), L(4, 10, 9, 15);
        break;
    case Glyph::ArrowRight:
        L(4, 10, 16, 10), L(16, 10, 11, 5), L(16, 10, 11, 15);
        break;
    case Glyph::Film:
        c.polygon({P(6, 4), P(16, 10), P(6, 16)}, colour);
        break;
    case Glyph::Save:
        c.polygon({P(3, 3), P(14, 3), P(17, 6), P(17, 17), P(3, 17)}, colour);
        c.roundRect(cx - 4 * s, cy - 7 * s, 7 * s, 4.5f * s, 0.5f * s, hole);
        c.roundRect(cx - 4.5f * s, cy + 1.5f * s, 9 * s, 5.5f * s, 0.8f * s, hole);
        break;
    case Glyph::Clock:
        c.ring(cx, cy, 8.2f * s, stroke, colour);
        L(10, 10, 10, 5.2f), L(10, 10, 13.4f, 11.8f);
        break;
    case Glyph::Images:
        c.roundRectOutline(cx - 8 * s, cy - 6.5f * s, 16 * s, 13 * s, 1.5f * s, stroke, colour);
        c.polygon({P(4, 15), P(8, 10), P(11, 13), P(13, 11), P(16, 15)}, colour);
        c.circle(cx + 3.5f * s, cy - 2.5f * s, 1.6f * s, colour);
        break;
    case Glyph::Sparkle:
        c.polygon({P(10, 2), P(12, 8), P(18, 10), P(12, 12), P(10, 18), P(8, 12), P(2, 10), P(8, 8)}, colour);
        break;
    case Glyph::NoEntry:
        c.ring(cx, cy, 8 * s, stroke, colour);
        L(4.5f, 15.5f, 15.5f, 4.5f);
        break;
    }
}

}  // namespace kalidor::uidata
