#include "sample_picture.h"

#include "canvas.h"

#include <cmath>
#include <tuple>
#include <vector>

namespace kalidor::uidata {
namespace {

// The outline of a ridge across the whole width, closed along the bottom edge.
std::vector<Point> ridge(float width, float height, float base, float bottom,
                         const std::vector<std::pair<float, float>>& peaks) {
    std::vector<Point> points{{0, height * base}};
    for (const auto& [x, y] : peaks)
        points.push_back({width * x, height * y});
    points.push_back({width, height * base});
    points.push_back({width, height * bottom});
    points.push_back({0, height * bottom});
    return points;
}

}  // namespace

Bitmap DrawSamplePicture(int width, int height) {
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float u = w / 640.0f;  // drawn on a 640-wide grid
    Canvas c(width, height);
    c.roundRectGradient(0, 0, w, h * 0.62f, 0, hex(0x6FB3E6), hex(0xE8F4FB));

    // Sun with a soft glow, and two clouds.
    for (int i = 6; i >= 1; --i)
        c.circle(w * 0.76f, h * 0.2f, u * (34 + 9 * i), hex(0xFFF3C4, 0.09f));
    c.circle(w * 0.76f, h * 0.2f, u * 34, hex(0xFFE07A));
    for (const auto& [x, y, r] : std::vector<std::tuple<float, float, float>>{
             {0.16f, 0.2f, 26}, {0.21f, 0.17f, 34}, {0.27f, 0.2f, 28}, {0.205f, 0.225f, 24},
             {0.5f, 0.32f, 18}, {0.54f, 0.3f, 24}, {0.585f, 0.32f, 18}})
        c.circle(w * x, h * y, u * r, hex(0xFFFFFF, 0.92f));

    // Far mountains with snow, then the near hills.
    c.polygon(ridge(w, h, 0.55f, 0.7f,
                    {{0.08f, 0.42f}, {0.2f, 0.3f}, {0.33f, 0.45f}, {0.45f, 0.36f}, {0.6f, 0.5f}, {0.8f, 0.38f},
                     {0.95f, 0.5f}}),
              hex(0x8AA5C4));
    c.polygon({{w * 0.2f, h * 0.3f}, {w * 0.235f, h * 0.345f}, {w * 0.21f, h * 0.34f}, {w * 0.19f, h * 0.355f},
               {w * 0.168f, h * 0.345f}},
              hex(0xF4F8FC));
    c.polygon({{w * 0.8f, h * 0.38f}, {w * 0.835f, h * 0.42f}, {w * 0.81f, h * 0.415f}, {w * 0.785f, h * 0.43f},
               {w * 0.768f, h * 0.415f}},
              hex(0xF4F8FC));
    c.polygon(ridge(w, h, 0.62f, 0.8f, {{0.15f, 0.56f}, {0.35f, 0.6f}, {0.55f, 0.55f}, {0.78f, 0.6f}}),
              hex(0x7DBA6F));
    c.polygon(ridge(w, h, 0.7f, 0.8f, {{0.25f, 0.64f}, {0.5f, 0.68f}, {0.7f, 0.63f}, {0.9f, 0.67f}}),
              hex(0x5E9E57));

    // A small house with a red roof, and a tree.
    c.roundRect(w * 0.6f, h * 0.6f, w * 0.08f, h * 0.07f, 0, hex(0xF6E7C8));
    c.polygon({{w * 0.59f, h * 0.605f}, {w * 0.64f, h * 0.545f}, {w * 0.69f, h * 0.605f}}, hex(0xD9644F));
    c.roundRect(w * 0.625f, h * 0.63f, w * 0.02f, h * 0.04f, 0, hex(0x8A5A3C));
    c.roundRect(w * 0.215f, h * 0.6f, w * 0.014f, h * 0.08f, 0, hex(0x7A5334));
    c.circle(w * 0.222f, h * 0.56f, u * 30, hex(0x3F7F45));
    c.circle(w * 0.205f, h * 0.585f, u * 20, hex(0x4A8F4E));

    // The lake, with light ripples.
    c.roundRectGradient(0, h * 0.72f, w, h * 0.28f, 0, hex(0x5B9BD0), hex(0x2F6FA8));
    for (int i = 0; i < 9; ++i) {
        const float y = h * (0.75f + 0.026f * i);
        const float x = w * (0.12f + 0.37f * std::fmod(i * 0.618f, 1.0f));
        c.line({x, y}, {x + w * (0.1f + 0.02f * (i % 3)), y}, u * 2.2f, hex(0xDDEEFA, 0.55f));
    }
    return c.toBgr24(hex(0x000000));
}

}  // namespace kalidor::uidata
