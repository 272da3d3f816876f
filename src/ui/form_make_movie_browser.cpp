// The main window's picture browser: page 1 above the button row.
#include "ui/form_make_movie.h"

namespace kalidor {

void TFormMakeMovie::buildPictureBrowser() {}

std::vector<std::string> TFormMakeMovie::SelectedBrowserFiles() const { return {}; }

}  // namespace kalidor
