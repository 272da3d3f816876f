#include "desktop/pages/select_picture_page.h"

#include "desktop_rules/storyboard_editing.h"
#include "desktop/browser/picture_browser.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/window_state.h"
#include "desktop/storyboard/storyboard_strip.h"

namespace kalidor {
namespace {

// Left edges within the row, left to right.
constexpr RowButton kPictureButtons[] = {
    {"pngBtnPicPrev", 4}, {"pngBtnPicBack", 228}, {"pngBtnAddPicture", 476}, {"pngBtnDelPicture", 700}};
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
    if (files.empty()) return state_.notice(window(), QString::fromUtf8(rules::kSelectPicturesToAdd));
    strip_.AddPictures(std::move(files), -1, true);
}

void TSelectPicturePage::pngBtnDelPictureClick() {
    if (strip_.AddingPictures()) return;
    if (auto message = rules::CheckDelete(state_.Project)) return state_.notice(window(), QString::fromUtf8(*message));
    if (!state_.question(window(), QString::fromUtf8(rules::kDeleteQuestion))) return;
    for (int removed = rules::DeleteSelectedPictures(state_.Project); removed > 0; --removed)
        strip_.StoryPanels.DeleteLast();
    strip_.RefreshStoryboard();
    if (rules::SetsModified(rules::StoryboardEdit::DeletePictures)) state_.Modified = true;
    state_.RecordEdit();
}

void TSelectPicturePage::pngBtnStoryBoardMoveClick(int tag) {
    if (strip_.AddingPictures()) return;
    if (auto message = rules::MoveSelectedPicture(state_.Project, tag))
        return state_.notice(window(), QString::fromUtf8(*message));
    strip_.RefreshStoryboard();
    if (rules::SetsModified(rules::StoryboardEdit::MoveByButton)) state_.Modified = true;
    state_.RecordEdit();
}

}  // namespace kalidor
