#include "desktop/shared/action_pixmap.h"

#include "desktop/shared/bitmap_image.h"

namespace kalidor {

QPixmap ActionPixmap(const TThActionObjectManager& actions, const Bitmap& plain, qreal devicePixelRatio) {
    const Bitmap* sharp = devicePixelRatio > 1 ? actions.SharpCopyOf(plain) : nullptr;
    QPixmap pixmap = QPixmap::fromImage(ToQImage(sharp ? *sharp : plain));
    pixmap.setDevicePixelRatio(sharp ? 2 : 1);
    return pixmap;
}

}  // namespace kalidor
