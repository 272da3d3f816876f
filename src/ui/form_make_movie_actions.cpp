// The main window's action page.
#include "ui/form_make_movie.h"

namespace kalidor {

void TFormMakeMovie::buildActionPage() {}
void TFormMakeMovie::pngBtnAddActionClick() {}
void TFormMakeMovie::pngBtnDelActionClick() {}
void TFormMakeMovie::DropActionOnPanel(int, const QMimeData*) {}

}  // namespace kalidor
