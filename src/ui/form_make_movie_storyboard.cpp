// The main window's storyboard strip and the picture page's commands.
#include "ui/form_make_movie.h"

namespace kalidor {

void TFormMakeMovie::buildStoryboard() {}
void TFormMakeMovie::RefreshStoryboard() {}
void TFormMakeMovie::pngBtnAddPictureClick() {}
void TFormMakeMovie::pngBtnDelPictureClick() {}
void TFormMakeMovie::pngBtnStoryBoardMoveClick(int) {}

}  // namespace kalidor
