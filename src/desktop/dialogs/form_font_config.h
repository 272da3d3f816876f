#pragma once
// TFormFontConfig: the caption font dialog. Made once at start-up, when it lists the installed
// scalable faces (fonts installed later appear after a restart). While shown it edits the
// caller's font in place at every change; the caller passes a copy and keeps it only after OK.

#include "model/caption_font.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QColorDialog;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;

namespace kalidor {

class TFormFontConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFormFontConfig(QWidget* parent = nullptr);

    // Loads the controls from the font (a face or size no item offers leaves that list without
    // a selection, and the font keeps that attribute), shows the dialog and returns Accepted (OK)
    // or Rejected (Cancel). The font has been changed in place either way.
    int Execute(CaptionFont& font);

    // The faces offered, in list order.
    const std::vector<std::string>& Faces() const { return faces_; }
    // The colour being edited, as the font stores it.
    std::uint32_t ShapeColor() const { return shapeColor_; }

    QLabel* lblFontName = nullptr;
    QComboBox* CBFontName = nullptr;
    QLabel* lblFontSize = nullptr;
    QComboBox* CBFontSize = nullptr;
    QLabel* lblFontColor = nullptr;
    QFrame* ShapeFontColor = nullptr;
    QPushButton* BtnChangeFontColor = nullptr;
    QLabel* LblFontBold = nullptr;
    QToolButton* SBtnFontBold = nullptr;
    QLabel* LblItalic = nullptr;
    QToolButton* SBtnFontItalic = nullptr;
    QLabel* LblUnderLine = nullptr;
    QToolButton* SBtnFontUnderLine = nullptr;
    QLabel* PanelFontPreview = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;
    QColorDialog* ColorDialogFont = nullptr;

    // Every control into the edited font, and the preview redrawn from it.
    void FontConfigChange();
    void BtnChangeFontColorClick();

protected:
    void showEvent(QShowEvent* event) override;  // FormShow

private:
    void setShapeColor(std::uint32_t color);
    void showPreview(const CaptionFont& font);

    std::vector<std::string> faces_;
    std::uint32_t shapeColor_ = clWindowText;
    CaptionFont* edited_ = nullptr;  // only during Execute
    bool loading_ = false;
    bool faceStandsIn_ = false;  // the face list shows the face that draws a name it lacks
};

}  // namespace kalidor
