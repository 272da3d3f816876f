#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace kalidor::uidata {
namespace {

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// Signed distance from a rounded rectangle; negative inside.
float roundRectDistance(float px, float py, float x, float y, float w, float h, float radius) {
    const float hw = w / 2, hh = h / 2;
    const float qx = std::abs(px - (x + hw)) - (hw - radius);
    const float qy = std::abs(py - (y + hh)) - (hh - radius);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

std::uint8_t toByte(float v) { return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.0f)); }

}  // namespace

Rgba hex(unsigned rgb, float alpha) {
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, alpha};
}

Rgba mix(Rgba a, Rgba b, float t) {
    t = clamp01(t);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Canvas::Canvas(int width, int height, int scale)
    : width_(width), height_(height), scale_(scale), pixelWidth_(width * scale), pixelHeight_(height * scale),
      pixels_(static_cast<std::size_t>(pixelWidth_) * pixelHeight_, Rgba{0, 0, 0, 0}) {}

float Canvas::cover(float distance) const { return clamp01(0.5f - distance * scale_); }

void Canvas::blend(int x, int y, Rgba c, float coverage) {
    const float a = clamp01(c.a * coverage);
    if (a <= 0)
        return;
    Rgba& d = pixels_[static_cast<std::size_t>(y) * pixelWidth_ + x];
    d.r = c.r * a + d.r * (1 - a);
    d.g = c.g * a + d.g * (1 - a);
    d.b = c.b * a + d.b * (1 - a);
    d.a = a + d.a * (1 - a);
}

void Canvas::paint(const Field& coverage, const Paint& colourAt, float x0, float y0, float x1, float y1) {
    const float s = static_cast<float>(scale_);
    const int left = std::max(0, static_cast<int>(std::floor(x0 * s)));
    const int top = std::max(0, static_cast<int>(std::floor(y0 * s)));
    const int right = std::min(pixelWidth_, static_cast<int>(std::ceil(x1 * s)));
    const int bottom = std::min(pixelHeight_, static_cast<int>(std::ceil(y1 * s)));
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            // The result pixel's centre, in logical pixels.
            const float px = (x + 0.5f) / s, py = (y + 0.5f) / s;
            const float c = coverage(px, py);
            if (c > 0)
                blend(x, y, colourAt(px, py), c);
        }
}

void Canvas::fill(Rgba colour) {
    paint([](float, float) { return 1.0f; }, [&](float, float) { return colour; }, 0, 0, static_cast<float>(width_),
          static_cast<float>(height_));
}

void Canvas::roundRect(float x, float y, float w, float h, float radius, Rgba colour) {
    roundRectGradient(x, y, w, h, radius, colour, colour);
}

void Canvas::roundRectGradient(float x, float y, float w, float h, float radius, Rgba top, Rgba bottom) {
    paint([=, this](float px, float py) { return cover(roundRectDistance(px, py, x, y, w, h, radius)); },
          [=](float, float py) { return mix(top, bottom, (py - y) / h); }, x - 1, y - 1, x + w + 1, y + h + 1);
}

void Canvas::roundRectOutline(float x, float y, float w, float h, float radius, float lineWidth, Rgba colour) {
    // The line lies inside the rectangle, so an outline never grows the shape.
    const float half = lineWidth / 2;
    paint(
        [=, this](float px, float py) {
            const float d = roundRectDistance(px, py, x + half, y + half, w - lineWidth, h - lineWidth,
                                              std::max(radius - half, 0.0f));
            return cover(std::abs(d) - half);
        },
        [=](float, float) { return colour; }, x - 1, y - 1, x + w + 1, y + h + 1);
}

void Canvas::circle(float cx, float cy, float radius, Rgba colour) {
    paint([=, this](float px, float py) { return cover(std::hypot(px - cx, py - cy) - radius); },
          [=](float, float) { return colour; }, cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1);
}

void Canvas::ring(float cx, float cy, float radius, float lineWidth, Rgba colour) {
    paint([=, this](float px, float py) { return cover(std::abs(std::hypot(px - cx, py - cy) - radius) - lineWidth / 2); },
          [=](float, float) { return colour; }, cx - radius - lineWidth, cy - radius - lineWidth,
          cx + radius + lineWidth, cy + radius + lineWidth);
}

void Canvas::line(Point a, Point b, float lineWidth, Rgba colour) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float length2 = std::max(dx * dx + dy * dy, 1e-6f);
    const float half = lineWidth / 2;
    paint(
        [=, this](float px, float py) {
            const float t = std::clamp(((px - a.x) * dx + (py - a.y) * dy) / length2, 0.0f, 1.0f);
            return cover(std::hypot(px - (a.x + t * dx), py - (a.y + t * dy)) - half);
        },
        [=](float, float) { return colour; }, std::min(a.x, b.x) - half - 1, std::min(a.y, b.y) - half - 1,
        std::max(a.x, b.x) + half + 1, std::max(a.y, b.y) + half + 1);
}

void Canvas::polygon(const std::vector<Point>& points, Rgba colour) {
    if (points.size() < 3)
        return;
    float x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
    for (const Point& p : points) {
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    const auto inside = [&](float px, float py) {
        bool in = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const Point& a = points[i];
            const Point& b = points[j];
            if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x)
                in = !in;
        }
        return in;
    };
    paint(
        [&](float px, float py) {
            // 4 x 4 samples spread over the result pixel.
            const float step = 0.25f / scale_;
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += inside(px - 1.5f * step + sx * step, py - 1.5f * step + sy * step);
            return hits / 16.0f;
        },
        [&](float, float) { return colour; }, x0 - 1, y0 - 1, x1 + 1, y1 + 1);
}

void Canvas::picture(const Bitmap& bgr24, int x, int y, float radius, float opacity) {
    const Bitmap source = bgr24.bitsPerPixel() == 24 ? bgr24 : bgr24.toBgr24();
    const int s = scale_;
    const float w = static_cast<float>(source.width()) / s, h = static_cast<float>(source.height()) / s;
    paint(
        [=, this](float px, float py) {
            return radius > 0 ? cover(roundRectDistance(px, py, x, y, w, h, radius)) * opacity : opacity;
        },
        [&](float px, float py) {
            // px * s is the result pixel's centre, exact for the small scales used.
            const int sx = std::clamp(static_cast<int>(px * s) - x * s, 0, source.width() - 1);
            const int sy = std::clamp(static_cast<int>(py * s) - y * s, 0, source.height() - 1);
            const std::uint8_t* p = source.row(sy) + sx * 3;
            return Rgba{p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, 1};
        },
        x, y, x + w, y + h);
}

void Canvas::text(FontRasterizer& font, std::string_view utf8, float x, float y, Rgba colour) {
    // Rasterized at the result's size, the font's own size restored afterwards.
    const int points = font.PointSize();
    font.SetPointSize(points * scale_);
    const int ox = static_cast<int>(std::lround(x * scale_)), oy = static_cast<int>(std::lround(y * scale_));
    const CellRect visible{-ox, -oy, pixelWidth_ - ox, pixelHeight_ - oy};
    const CoverageMask mask = font.Rasterize(utf8, false, false, visible);
    font.SetPointSize(points);
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) {
            const int px = ox + mask.left + mx, py = oy + mask.top + my;
            if (px < 0 || py < 0 || px >= pixelWidth_ || py >= pixelHeight_)
                continue;
            blend(px, py, colour, mask.alpha[static_cast<std::size_t>(my) * mask.width + mx] / 255.0f);
        }
}

int Canvas::textCentred(FontRasterizer& font, std::string_view utf8, float x, float y, float w, float h, Rgba colour) {
    const int tw = font.TextWidth(utf8);
    text(font, utf8, std::floor(x + (w - tw) / 2), std::floor(y + (h - font.LineHeight()) / 2), colour);
    return tw;
}

Bitmap Canvas::toBgra32() const {
    Bitmap out(pixelWidth_, pixelHeight_, 32);
    for (int y = 0; y < pixelHeight_; ++y) {
        std::uint8_t* p = out.row(y);
        for (int x = 0; x < pixelWidth_; ++x, p += 4) {
            const Rgba& c = pixels_[static_cast<std::size_t>(y) * pixelWidth_ + x];
            const float a = c.a > 0 ? c.a : 1;
            p[0] = toByte(c.b / a);
            p[1] = toByte(c.g / a);
            p[2] = toByte(c.r / a);
            p[3] = toByte(c.a);
        }
    }
    return out;
}

Bitmap Canvas::toBgr24(Rgba background) const {
    Bitmap out(pixelWidth_, pixelHeight_);
    for (int y = 0; y < pixelHeight_; ++y) {
        std::uint8_t* p = out.row(y);
        for (int x = 0; x < pixelWidth_; ++x, p += 3) {
            const Rgba& c = pixels_[static_cast<std::size_t>(y) * pixelWidth_ + x];
            p[0] = toByte(c.b + background.b * (1 - c.a));
            p[1] = toByte(c.g + background.g * (1 - c.a));
            p[2] = toByte(c.r + background.r * (1 - c.a));
        }
    }
    return out;
}

}  // namespace kalidor::uidata
