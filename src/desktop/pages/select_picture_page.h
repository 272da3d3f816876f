#pragma once
// TSelectPicturePage: page 1 of the main window ("TabSheetSelectPicture"): the picture browser
// above the row of the move, add and delete buttons, which act on the storyboard strip below.

#include "desktop/pages/button_row.h"

#include <QWidget>

class QProgressBar;

namespace kalidor {

class TPictureBrowser;
class TPNGButton;
class TStoryboardStrip;
class WindowState;

class TSelectPicturePage : public QWidget {
    Q_OBJECT
public:
    TSelectPicturePage(WindowState& state, TStoryboardStrip& strip, QProgressBar* progress, QWidget* parent = nullptr);

    // Adds the browser's selected files at the end of the storyboard.
    void pngBtnAddPictureClick();
    void pngBtnDelPictureClick();
    // Tag 0 moves the one selected picture a place forward, any other tag a place back.
    void pngBtnStoryBoardMoveClick(int tag);
    void CentreButtonRow(int pageWidth);

    TPictureBrowser* PanelSelectPictureArea = nullptr;
    QWidget* PanelSelectPictureBottom = nullptr;
    QWidget* PanelSelectPictureButton = nullptr;
    TPNGButton* pngBtnPicPrev = nullptr;
    TPNGButton* pngBtnPicBack = nullptr;
    TPNGButton* pngBtnAddPicture = nullptr;
    TPNGButton* pngBtnDelPicture = nullptr;

private:
    WindowState& state_;
    TStoryboardStrip& strip_;
    ButtonRow buttonRow_;
};

}  // namespace kalidor
