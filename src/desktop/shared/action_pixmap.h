#pragma once
// An action's icon or description as a widget shows it: on a screen of scale above 1 the
// catalogue's sharp copy, marked with device pixel ratio 2 so it takes the same logical size;
// else, or when the catalogue has none, the plain bitmap.

#include "actions/action_catalogue.h"
#include "desktop/shared/interface_image.h"

#include <QPixmap>

namespace kalidor {

// `plain` is one of the catalogue's Icon or Description bitmaps.
QPixmap ActionPixmap(const TThActionObjectManager& actions, const Bitmap& plain,
                     qreal devicePixelRatio = InterfaceScale());

}  // namespace kalidor
