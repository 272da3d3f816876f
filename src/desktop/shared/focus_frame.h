#pragma once
// A frame in the highlight colour over the edge of a list, tree or strip while it has the
// keyboard: the style marks only the item the keyboard stands on, so an empty list or tree, or
// one with no current item, showed nothing where the focus was. As the preview marks its area.

class QAbstractScrollArea;

namespace kalidor {

void FrameWhileFocused(QAbstractScrollArea* view);

}  // namespace kalidor
