#pragma once
// TSelectActionPage: page 2 of the main window ("TabSheetSelectAction"). "画像" or "文字" chooses
// which kind of action the list offers; the preview shows what the chosen one does; the buttons
// give it to the selected pictures or take their actions away, and a drag of the list or the
// preview onto a panel of the storyboard gives it to that picture alone.

#include "desktop/pages/button_row.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QListWidget;
class QMimeData;
class QRadioButton;

namespace kalidor {

class TPNGButton;
class TStoryboardStrip;
class WindowState;

class TSelectActionPage : public QWidget {
    Q_OBJECT
public:
    TSelectActionPage(WindowState& state, TStoryboardStrip& strip, QWidget* parent = nullptr);

    void pngBtnAddActionClick();
    void pngBtnDelActionClick();
    // An action dragged from this page and dropped on panel `index`.
    void DropActionOnPanel(int index, const QMimeData* data);
    // The list and the preview follow the radio buttons and the list.
    void FillActionList();
    void LBActionListClick();
    void RBActionClick();
    void CentreButtonRow(int pageWidth);
    // Tab: the target, the list, then the buttons that use them. Called once the page is in the
    // window (moving it there puts its controls back in the order they were made).
    void OrderTabs();

    QWidget* PanelActionArea = nullptr;
    QWidget* PanelActionBottom = nullptr;
    QWidget* PanelActionButton = nullptr;
    QGroupBox* GBActionType = nullptr;
    QRadioButton* RBPicture = nullptr;
    QRadioButton* RBString = nullptr;
    QListWidget* LBActionList = nullptr;
    QWidget* PanelActionPreview = nullptr;
    QLabel* ImgActionPreview = nullptr;
    TPNGButton* pngBtnAddAction = nullptr;
    TPNGButton* pngBtnDelAction = nullptr;

private:
    WindowState& state_;
    TStoryboardStrip& strip_;
    ButtonRow buttonRow_;
};

}  // namespace kalidor
