#include "desktop/shared/bitmap_image.h"

#include "model/caption_font.h"

namespace kalidor {

QImage ToQImage(const Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    const Bitmap bgr = bitmap.bitsPerPixel() == 24 ? bitmap : bitmap.toBgr24();
    const QImage view(bgr.data(), bgr.width(), bgr.height(), static_cast<qsizetype>(bgr.stride()),
                      QImage::Format_BGR888);
    return view.convertToFormat(QImage::Format_RGB32);  // a deep copy, in the format painting likes
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
