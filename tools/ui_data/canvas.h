#pragma once
// A small anti-aliased RGBA canvas for drawing the program's interface images: rounded
// rectangles, circles, strokes and polygons, text through the engine's font rasterizer, and
// pictures from the engine. Colours are straight RGBA in 0..1; the canvas keeps them
// premultiplied so that "over" is one multiply-add.

#include "imaging/bitmap.h"
#include "imaging/font_rasterizer.h"

#include <functional>
#include <string_view>
#include <vector>

namespace kalidor::uidata {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

// 0xRRGGBB as written in a style sheet.
Rgba hex(unsigned rgb, float alpha = 1.0f);
Rgba mix(Rgba a, Rgba b, float t);

struct Point {
    float x = 0, y = 0;
};

// Drawn in logical pixels; `scale` pixels of the result stand for each (2: the same image for a
// screen of twice the density, as sharp as its pixels allow).
class Canvas {
public:
    Canvas(int width, int height, int scale = 1);  // fully transparent
    int width() const { return width_; }
    int height() const { return height_; }
    int scale() const { return scale_; }

    // Paints colourAt(x, y) with the coverage (0..1) that `coverage` gives at each pixel centre
    // (in logical pixels), over the pixels of the box [x0, x1) x [y0, y1).
    using Field = std::function<float(float x, float y)>;
    using Paint = std::function<Rgba(float x, float y)>;
    void paint(const Field& coverage, const Paint& colourAt, float x0, float y0, float x1, float y1);

    void fill(Rgba colour);
    void roundRect(float x, float y, float w, float h, float radius, Rgba colour);
    void roundRectGradient(float x, float y, float w, float h, float radius, Rgba top, Rgba bottom);
    void roundRectOutline(float x, float y, float w, float h, float radius, float lineWidth, Rgba colour);
    void circle(float cx, float cy, float radius, Rgba colour);
    void ring(float cx, float cy, float radius, float lineWidth, Rgba colour);
    void line(Point a, Point b, float lineWidth, Rgba colour);  // round caps
    void polygon(const std::vector<Point>& points, Rgba colour);  // even-odd, 4 x 4 samples

    // A 24-bit picture with its top-left corner at (x, y), clipped to a rounded rectangle of its
    // own size (radius 0: square corners), at the given opacity. Its pixels are the result's, so
    // it covers width / scale by height / scale logical pixels: a picture made at the canvas's
    // density stays as sharp as it was made.
    void picture(const Bitmap& bgr24, int x, int y, float radius = 0, float opacity = 1);

    // One line of text with the top-left corner of its cell at (x, y).
    void text(FontRasterizer& font, std::string_view utf8, float x, float y, Rgba colour);
    // Centred in the box; returns the text's width.
    int textCentred(FontRasterizer& font, std::string_view utf8, float x, float y, float w, float h, Rgba colour);

    // 32-bit blue, green, red, straight alpha (for PNG), or composed over an opaque colour.
    Bitmap toBgra32() const;
    Bitmap toBgr24(Rgba background) const;

private:
    void blend(int x, int y, Rgba colour, float coverage);

    // Distance in logical pixels to coverage: a ramp one result pixel wide, centred on the edge.
    float cover(float distance) const;

    int width_;   // logical
    int height_;
    int scale_;
    int pixelWidth_;  // of the result
    int pixelHeight_;
    std::vector<Rgba> pixels_;  // premultiplied
};

}  // namespace kalidor::uidata
