#include "desktop/pages/button_row.h"

#include "desktop/shared/png_button.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace kalidor {

ButtonRow LayOutWithButtonRow(QWidget* page, QWidget* area, std::span<const RowButton> buttons, int rowWidth) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(area, 1);
    ButtonRow made;
    made.bottom = new QWidget(page);
    made.bottom->setFixedHeight(70);
    made.row = new QWidget(made.bottom);
    for (const RowButton& spec : buttons) {
        auto* button = new TPNGButton(made.row);
        button->setObjectName(spec.name);
        button->setAccessibleName(QCoreApplication::translate("Buttons", spec.text));
        button->setButtonStyle(pbsNoFrame);
        button->setGeometry(spec.left, 4, 218, 62);
    }
    made.row->setGeometry(0, 0, rowWidth, 70);
    layout->addWidget(made.bottom);
    return made;
}

void CentreButtonRow(const ButtonRow& row, int pageWidth) {
    row.bottom->setFixedWidth(pageWidth);
    // div truncates toward zero.
    row.row->move(pageWidth / 2 - row.row->width() / 2, row.row->y());
}

}  // namespace kalidor
