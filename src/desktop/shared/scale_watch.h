#pragma once
// What is drawn at the screen's own pixel size is drawn again when the window moves to a screen
// of another scale, or the screen's scale changes under it.

#include <functional>

class QWidget;

namespace kalidor {

// Calls `changed` on the widget's thread whenever the widget's device pixel ratio differs from
// the one it had at the last call (or at this one). The watch lives as long as the widget.
void OnScaleChange(QWidget* widget, std::function<void()> changed);

}  // namespace kalidor
