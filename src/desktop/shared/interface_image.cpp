#include "desktop/shared/interface_image.h"

#include <QGuiApplication>

namespace kalidor {

QImage LoadInterfaceImage(const std::string& path, qreal devicePixelRatio) {
    const QString file = QString::fromStdString(path);
    if (devicePixelRatio > 1 && file.endsWith(QLatin1String(".png"))) {
        QImage sharp(file.chopped(4) + QLatin1String("@2x.png"));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2);
            return sharp;
        }
    }
    return QImage(file);
}

qreal InterfaceScale() { return qApp ? qApp->devicePixelRatio() : 1.0; }

QPixmap FittedAtOwnDensity(const QPixmap& picture, QSize logical) {
    const qreal ratio = picture.devicePixelRatio();
    QPixmap small = picture.scaled(logical * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    small.setDevicePixelRatio(ratio);
    return small;
}

}  // namespace kalidor
