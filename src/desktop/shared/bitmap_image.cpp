#include "desktop/shared/bitmap_image.h"

#include "model/caption_font.h"

namespace kalidor {

QImage ToQImage(const Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    const Bitmap bgr = bitmap.bitsPerPixel() == 24 ? bitmap : bitmap.toBgr24();
    QImage image(bgr.width(), bgr.height(), QImage::Format_RGB32);
    for (int y = 0; y < bgr.height(); ++y) {
        const std::uint8_t* source = bgr.row(y);
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bgr.width(); ++x, source += 3) target[x] = qRgb(source[2], source[1], source[0]);
    }
    return image;
}

QColor ToQColor(std::uint32_t color) {
    if (color & kSystemColorFlag) return QColor(Qt::black);
    return QColor(redOf(color), greenOf(color), blueOf(color));
}

std::uint32_t FromQColor(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) | static_cast<std::uint32_t>(color.green()) << 8 |
           static_cast<std::uint32_t>(color.blue()) << 16;
}

}  // namespace kalidor
