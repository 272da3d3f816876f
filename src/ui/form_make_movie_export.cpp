// The main window's save-movie page, the export and the save command.
#include "ui/form_make_movie.h"

namespace kalidor {

void TFormMakeMovie::buildMoviePage() {}
void TFormMakeMovie::pngBtnSaveProjectClick() {}

}  // namespace kalidor
