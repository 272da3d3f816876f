#pragma once
// The interface's PNG images for the screen's density: on a screen of scale above 1 the second
// set drawn at twice the size ("name@2x.png" beside "name.png") when it is there, marked with its
// device pixel ratio so it is drawn at the same logical size, sharp.

#include <QImage>
#include <QPixmap>

#include <string>

namespace kalidor {

// The image at `path`, or its @2x copy when `devicePixelRatio` is above 1 and the copy reads.
// Null when neither reads.
QImage LoadInterfaceImage(const std::string& path, qreal devicePixelRatio);

// The ratio of the application's densest screen.
qreal InterfaceScale();

// A smaller copy of a shown picture fitting `logical` (a drag's image), as sharp as its own
// pixels allow: scaled in device pixels, with the picture's device pixel ratio kept.
QPixmap FittedAtOwnDensity(const QPixmap& picture, QSize logical);

}  // namespace kalidor
