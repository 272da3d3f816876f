#pragma once
// The bottom strip of the picture and action pages: a row of 218 x 62 image buttons, which the
// window keeps centred as the page's width changes.

#include <cstddef>
#include <span>

class QWidget;

namespace kalidor {

// A command button of a row: its name, left edge in the row and the text its image reads, marked
// in the context "Buttons" that the images are drawn in.
struct RowButton {
    const char* name;
    int left;
    const char* text;
};

struct ButtonRow {
    QWidget* bottom = nullptr;  // the strip, 70 high, along the page's bottom
    QWidget* row = nullptr;     // the buttons' row inside it
};

// Lays `page` out as `area` above the strip and makes the row of `buttons` (TPNGButtons named as
// given), `rowWidth` wide.
ButtonRow LayOutWithButtonRow(QWidget* page, QWidget* area, std::span<const RowButton> buttons, int rowWidth);

// The strip as wide as the page area, the row centred in it.
void CentreButtonRow(const ButtonRow& row, int pageWidth);

}  // namespace kalidor
