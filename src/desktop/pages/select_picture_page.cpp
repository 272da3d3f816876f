#include "desktop/pages/select_picture_page.h"

#include "desktop_rules/storyboard_editing.h"
#include "desktop_rules/undo_history.h"
#include "desktop/browser/picture_browser.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/translated.h"
#include "desktop/shared/window_state.h"
#include "desktop/storyboard/storyboard_strip.h"

namespace kalidor {
namespace {

// Left edges within the row, left to right.
constexpr RowButton kPictureButtons[] = {
    {"pngBtnPicPrev", 4, QT_TRANSLATE_NOOP("Buttons", "前へ")},
    {"pngBtnPicBack", 228, QT_TRANSLATE_NOOP("Buttons", "後ろへ")},
    {"pngBtnAddPicture", 476, QT_TRANSLATE_NOOP("Buttons", "画像を追加")},
    {"pngBtnDelPicture", 700, QT_TRANSLATE_NOOP("Buttons", "画像を削除")}};
constexpr int kPictureRowWidth = 921;

}  // namespace

TSelectPicturePage::TSelectPicturePage(WindowState& state, TStoryboardStrip& strip, QProgressBar* progress,
                                       QWidget* parent)
    : QWidget(parent), state_(state), strip_(strip) {
    setObjectName("TabSheetSelectPicture");
    PanelSelectPictureArea = new TPictureBrowser(progress, this);
    buttonRow_ = LayOutWithButtonRow(this, PanelSelectPictureArea, kPictureButtons, kPictureRowWidth);
    PanelSelectPictureBottom = buttonRow_.bottom;
    PanelSelectPictureButton = buttonRow_.row;
    pngBtnPicPrev = findChild<TPNGButton*>("pngBtnPicPrev");
    pngBtnPicBack = findChild<TPNGButton*>("pngBtnPicBack");
    pngBtnAddPicture = findChild<TPNGButton*>("pngBtnAddPicture");
    pngBtnDelPicture = findChild<TPNGButton*>("pngBtnDelPicture");
    connect(pngBtnPicPrev, &TPNGButton::clicked, this, [this] { pngBtnStoryBoardMoveClick(0); });
    connect(pngBtnPicBack, &TPNGButton::clicked, this, [this] { pngBtnStoryBoardMoveClick(1); });
    connect(pngBtnAddPicture, &TPNGButton::clicked, this, &TSelectPicturePage::pngBtnAddPictureClick);
    connect(pngBtnDelPicture, &TPNGButton::clicked, this, &TSelectPicturePage::pngBtnDelPictureClick);
    // Nothing but the adding may change the storyboard while pictures are being added.
    connect(&strip_, &TStoryboardStrip::addingChanged, PanelSelectPictureButton,
            [this](bool adding) { PanelSelectPictureButton->setEnabled(!adding); });
}

void TSelectPicturePage::CentreButtonRow(int pageWidth) { kalidor::CentreButtonRow(buttonRow_, pageWidth); }

void TSelectPicturePage::pngBtnAddPictureClick() {
    if (strip_.AddingPictures()) return;
    std::vector<std::string> files = PanelSelectPictureArea->SelectedBrowserFiles();
    if (files.empty()) return state_.notice(window(), Translated(rules::kSelectPicturesToAdd));
    strip_.AddPictures(std::move(files), -1, true);
}

void TSelectPicturePage::pngBtnDelPictureClick() {
    if (state_.EditsHeld()) return;
    if (auto message = rules::CheckDelete(state_.Project)) return state_.notice(window(), Translated(*message));
    if (!state_.question(window(), Translated(rules::kDeleteQuestion))) return;
    state_.Edit(rules::kStepDeletePictures, [this] { rules::DeleteSelectedPictures(state_.Project); });
    strip_.RefreshStoryboard();  // the panels of the deleted pictures go from the end
}

void TSelectPicturePage::pngBtnStoryBoardMoveClick(int tag) {
    std::optional<Message> refusal;
    const auto move = [&] { refusal = rules::MoveSelectedPicture(state_.Project, tag); };
    if (!state_.Edit(rules::kStepMovePicture, move)) return;
    if (refusal) return state_.notice(window(), Translated(*refusal));
    strip_.RefreshStoryboard();
}

}  // namespace kalidor
