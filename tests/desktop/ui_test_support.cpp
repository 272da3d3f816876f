#include "desktop/ui_test_support.h"

namespace kalidor::uitest {

QImage solidImage(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

}  // namespace kalidor::uitest
