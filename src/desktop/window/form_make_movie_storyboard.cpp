// The main window's storyboard strip and the picture page's commands.
#include "board/panel_layout.h"
#include "board/storyboard_editing.h"
#include "model/picture_adding.h"
#include "desktop/shared/bitmap_image.h"
#include "desktop/dialogs/form_font_config.h"
#include "desktop/dialogs/form_time_config.h"
#include "desktop/storyboard/storyboard_input.h"
#include "desktop/shared/drag_formats.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/shared/png_button.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <cstdio>

namespace kalidor {
namespace {

using board::DragSource;

bool isFiles(DragSource source) { return source == DragSource::BrowserFiles || source == DragSource::DesktopFiles; }

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }

void mark(bool& modified, board::StoryboardEdit edit) {
    if (board::SetsModified(edit)) modified = true;
}

}  // namespace

void TFormMakeMovie::buildStoryboard() {
    ScrollBoxPicture->setObjectName("ScrollBoxPicture");
    ScrollBoxPicture->setWidgetResizable(false);
    ScrollBoxPicture->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBoxPicture->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StripContent = new QWidget;
    StripContent->setObjectName("ScrollBoxPictureContent");
    // As high as the strip inside its frame and above its scroll bar: all of it is the strip.
    const int height = board::kStripHeight - 2 * ScrollBoxPicture->frameWidth() -
                       ScrollBoxPicture->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBoxPicture);
    StripContent->setFixedSize(board::StripContentWidth(0), height);
    ScrollBoxPicture->setWidget(StripContent);

    StoryboardInput::Handlers handlers;
    handlers.select = [this](int index) { PanelStoryBoardClick(index); };
    handlers.timeClick = [this](int index) { LblTimeClick(index); };
    handlers.stripClick = [this] { ScrollBoxPictureClick(); };
    handlers.acceptsDrop = [this](int index, const QMimeData* data) {
        return index < 0 ? ScrollBoxPictureDragOver(data) : StoryBoardDragOver(index, data);
    };
    handlers.drop = [this](int index, const QMimeData* data) {
        index < 0 ? ScrollBoxPictureDragDrop(data) : StoryBoardDragDrop(index, data);
    };
    // The strip scrolls only sideways, so the usual up-and-down wheel moves it along.
    handlers.wheel = [this](QWheelEvent* event) {
        if (event->angleDelta().y() == 0) return false;
        QCoreApplication::sendEvent(ScrollBoxPicture->horizontalScrollBar(), event);
        return true;
    };
    storyInput_ = new StoryboardInput(std::move(handlers), this);
    storyInput_->WatchStrip(StripContent);
    storyInput_->WatchStrip(ScrollBoxPicture->viewport());

    PictureAdder.insert = [this](std::vector<std::unique_ptr<TThPicObject>> pictures) {
        insertAddedPictures(std::move(pictures));
    };
    connect(&PictureAdder, &PictureAddingJob::progress, this, [this](int done, int total) {
        ProgressBarStatus->setRange(0, total);
        ProgressBarStatus->setValue(done);
    });
    connect(&PictureAdder, &PictureAddingJob::finished, this,
            [this](const QStringList& messages, bool) { picturesAdded(messages); });
}

void TFormMakeMovie::SetStoryDialogs(TFormTimeConfig* timeConfig, TFormFontConfig* fontConfig) {
    formTimeConfig_ = timeConfig;
    formFontConfig_ = fontConfig;
}

const PanelImages& TFormMakeMovie::panelImages() {
    if (panelImages_.dir != ImgDir()) panelImages_ = LoadPanelImages(ImgDir());
    return panelImages_;
}

void TFormMakeMovie::fitStripContent() { StripContent->setFixedWidth(board::StripContentWidth(StoryPanels.Count())); }

void TFormMakeMovie::makeStoryPanel() {
    const int index = StoryPanels.Count();
    auto panel = std::make_unique<TThStoryPanelObject>(StripContent, index);
    for (const board::PanelControlLayout& layout : board::kPanelControls)
        storyInput_->WatchPanelControl(panel->Control(layout.control));
    connect(panel->EditStoryBoradStr.data(), &QLineEdit::textChanged, this,
            [this, index] { PanelStoryBoardEditOnChange(index); });
    connect(panel->EditStoryBoradConfBtn.data(), &TPNGButton::clicked, this,
            [this, index] { PanelStoryBoardConfigBtnClick(index); });
    TThStoryPanelObject& added = StoryPanels.Items(StoryPanels.Add(std::move(panel)));
    fitStripContent();
    // A missing image is raised after the panel is in the list; the edit that called this puts
    // the counts right with its refresh.
    ApplyPanelImages(added, panelImages());
}

void TFormMakeMovie::AddStoryPanel() {
    makeStoryPanel();
    mark(Modified, board::StoryboardEdit::AddPictures);
}

void TFormMakeMovie::writeStoryPanel(int index) {
    const board::PanelContent content = board::PanelContentFor(Project, index);
    TThStoryPanelObject& panel = StoryPanels.Items(index);
    if (!(panel.ShownThumbnail == *content.thumbnail)) {
        panel.ImgStoryBoradThumbnail->setPixmap(QPixmap::fromImage(ToQImage(*content.thumbnail)));
        panel.ShownThumbnail = *content.thumbnail;
    }
    panel.LblStoryBoradThumbnailNo->setText(QString::fromStdString(content.number));
    const Bitmap* picIcon = Actions ? Actions->PicBitmap(content.picAction, true) : nullptr;
    const Bitmap* strIcon = Actions ? Actions->StrBitmap(content.strAction, true) : nullptr;
    for (auto [label, icon, shown] : {std::tuple{panel.ImgStoryBoradActPic.data(), picIcon, &panel.ShownPicIcon},
                                      std::tuple{panel.ImgStoryBoradActStr.data(), strIcon, &panel.ShownStrIcon}}) {
        if (icon == *shown && !label->pixmap().isNull() == (icon != nullptr)) continue;
        if (icon) label->setPixmap(QPixmap::fromImage(ToQImage(*icon)));
        else label->clear();
        *shown = icon;
    }
    panel.LblStoryBoradTime->setText(QString::fromStdString(content.time));
    // Only a different text is written: rewriting the same one would throw the caret to the end
    // while the user types. A different one runs the change handler, which stores it into the
    // same picture.
    const QString caption = QString::fromStdString(content.caption);
    if (panel.EditStoryBoradStr->text() != caption) panel.EditStoryBoradStr->setText(caption);
    QPalette colours = panel.PanelStoryBorad->palette();
    colours.setColor(QPalette::Window, content.selected ? ToQColor(board::kSelectedPanelColor) : buttonFace());
    panel.PanelStoryBorad->setPalette(colours);
}

void TFormMakeMovie::refreshStoryPanelsFrom(int first) {
    for (int i = std::max(first, 0); i < Project.Count() && i < StoryPanels.Count(); ++i) writeStoryPanel(i);
}

void TFormMakeMovie::RefreshStoryboard() {
    while (StoryPanels.Count() > Project.Count()) StoryPanels.DeleteLast();
    std::string failure;
    while (StoryPanels.Count() < Project.Count()) {
        try {
            makeStoryPanel();
        } catch (const std::exception& error) {
            // The panel is there, without its images; the counts agree all the same.
            if (failure.empty()) failure = error.what();
        }
    }
    fitStripContent();
    refreshStoryPanelsFrom(0);
    if (!failure.empty()) notice(this, QString::fromStdString(failure));
}

// --- Selection ----------------------------------------------------------------------------------

void TFormMakeMovie::PanelStoryBoardClick(int index) {
    if (index < 0 || index >= Project.Count()) return;
    const Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
    board::ClickPicture(Project, index, {keys.testFlag(Qt::ControlModifier), keys.testFlag(Qt::ShiftModifier)});
    RefreshStoryboard();
}

void TFormMakeMovie::ScrollBoxPictureClick() {
    board::ClearSelection(Project);
    RefreshStoryboard();
}

// --- Adding -------------------------------------------------------------------------------------

void TFormMakeMovie::pngBtnAddPictureClick() {
    if (AddingPictures()) return;
    std::vector<std::string> files = SelectedBrowserFiles();
    if (files.empty()) return notice(this, QString::fromUtf8(board::kSelectPicturesToAdd));
    AddPictures(std::move(files), -1, true);
}

bool TFormMakeMovie::AddPictures(std::vector<std::string> paths, int index, bool checkFirst) {
    if (AddingPictures() || paths.empty() || Project.ProjectDir.empty()) return false;
    try {
        panelImages();
    } catch (const std::exception& error) {
        showError(error);
        return false;
    }
    addingIndex_ = index;
    addingDir_ = Project.ProjectDir;
    if (!PictureAdder.Start(addingDir_, std::move(paths), checkFirst)) return false;
    // Nothing else may change the storyboard's order or the open project until it is over.
    PanelSelectPictureButton->setEnabled(false);
    if (auto* menu = findChild<QWidget*>("PanelMenu")) menu->setEnabled(false);
    ProgressBarStatus->setRange(0, 1);
    ProgressBarStatus->setValue(0);
    return true;
}

void TFormMakeMovie::insertAddedPictures(std::vector<std::unique_ptr<TThPicObject>> pictures) {
    if (Project.ProjectDir != addingDir_) {
        // Made for a project that is no longer open: nothing will ever name these copies.
        for (const auto& picture : pictures) std::remove(picture->PicturePath.c_str());
        return;
    }
    int first = Project.Count();
    for (std::unique_ptr<TThPicObject>& picture : pictures) {
        unsaved_.CopyMade(picture->PicturePath);
        AddStoryPanel();
        const int index = addingIndex_ < 0 || addingIndex_ > Project.Count() ? -1 : addingIndex_;
        InsertPicture(Project, std::move(picture), index);
        first = std::min(first, index < 0 ? Project.Count() - 1 : index);
    }
    refreshStoryPanelsFrom(first);
}

void TFormMakeMovie::picturesAdded(const QStringList& messages) {
    PanelSelectPictureButton->setEnabled(true);
    if (auto* menu = findChild<QWidget*>("PanelMenu")) menu->setEnabled(true);
    ProgressBarStatus->setValue(0);
    RefreshStoryboard();
    if (!messages.isEmpty()) notice(this, messages.join(QLatin1Char('\n')));
}

// --- Deleting and moving ------------------------------------------------------------------------

void TFormMakeMovie::pngBtnDelPictureClick() {
    if (AddingPictures()) return;
    if (auto message = board::CheckDelete(Project)) return notice(this, QString::fromUtf8(*message));
    if (!question(this, QString::fromUtf8(board::kDeleteQuestion))) return;
    for (int removed = board::DeleteSelectedPictures(Project); removed > 0; --removed) StoryPanels.DeleteLast();
    RefreshStoryboard();
    mark(Modified, board::StoryboardEdit::DeletePictures);
}

void TFormMakeMovie::pngBtnStoryBoardMoveClick(int tag) {
    if (AddingPictures()) return;
    if (auto message = board::MoveSelectedPicture(Project, tag)) return notice(this, QString::fromUtf8(*message));
    RefreshStoryboard();
    mark(Modified, board::StoryboardEdit::MoveByButton);
}

// --- Editing on a panel -------------------------------------------------------------------------

void TFormMakeMovie::PanelStoryBoardEditOnChange(int index) {
    if (index < 0 || index >= Project.Count() || index >= StoryPanels.Count()) return;
    QLineEdit* edit = StoryPanels.Items(index).EditStoryBoradStr;
    TThPicObject& picture = Project.Items(index);
    const std::string text = edit->text().toStdString();
    if (auto message = board::CheckCaptionText(text)) {
        // Refused where it is typed: the caption goes back to what the picture holds.
        const int cursor = edit->cursorPosition() - (edit->text().size() - QString::fromStdString(picture.Text).size());
        edit->setText(QString::fromStdString(picture.Text));
        edit->setCursorPosition(std::max(cursor, 0));
        notice(this, QString::fromStdString(*message));
        return;
    }
    picture.Text = text;
    mark(Modified, board::StoryboardEdit::CaptionText);
}

void TFormMakeMovie::LblTimeClick(int index) {
    if (!formTimeConfig_ || index < 0 || index >= Project.Count()) return;
    // The picture itself, not its index: pictures being added meanwhile move it.
    TThPicObject& picture = Project.Items(index);
    int seconds = picture.DisplayTime;
    if (formTimeConfig_->Execute(seconds) == QDialog::Accepted) picture.DisplayTime = seconds;
    RefreshStoryboard();
    mark(Modified, board::StoryboardEdit::TimeDialog);  // after Cancel too
}

void TFormMakeMovie::PanelStoryBoardConfigBtnClick(int index) {
    if (!formFontConfig_ || index < 0 || index >= Project.Count()) return;
    TThPicObject& picture = Project.Items(index);
    CaptionFont edited = picture.Font;
    if (formFontConfig_->Execute(edited) == QDialog::Accepted) picture.Font = edited;
    mark(Modified, board::StoryboardEdit::FontDialog);  // after Cancel too; the panels do not show the font
}

// --- Dropping -----------------------------------------------------------------------------------

bool TFormMakeMovie::StoryBoardDragOver(int index, const QMimeData* data) const {
    if (index < 0 || index >= Project.Count()) return false;
    const DragSource source = DragSourceOf(data);
    const board::PanelDrop drop = board::PanelDropFor(source);
    if (AddingPictures() && drop != board::PanelDrop::GiveAction) return false;
    const int files = isFiles(source) ? static_cast<int>(DraggedFiles(data).size()) : 0;
    return board::PanelAcceptsDrop(source, files, DraggedNumber(data) >= 0);
}

void TFormMakeMovie::StoryBoardDragDrop(int index, const QMimeData* data) {
    if (!StoryBoardDragOver(index, data)) return;
    switch (board::PanelDropFor(DragSourceOf(data))) {
    case board::PanelDrop::InsertFiles:
        AddPictures(DraggedFiles(data), index, false);
        break;
    case board::PanelDrop::GiveAction:
        // The action page refreshes and marks the change itself (or refuses).
        DropActionOnPanel(index, data);
        return;
    case board::PanelDrop::MovePicture: {
        const int from = DraggedNumber(data);
        if (from >= 0 && from < Project.Count()) board::MovePicture(Project, from, index);
        RefreshStoryboard();
        break;
    }
    case board::PanelDrop::Nothing:
        RefreshStoryboard();
        return;
    }
    mark(Modified, board::StoryboardEdit::DropOnPanel);
}

bool TFormMakeMovie::ScrollBoxPictureDragOver(const QMimeData* data) const {
    if (AddingPictures()) return false;
    const DragSource source = DragSourceOf(data);
    return board::StripAcceptsDrop(source, isFiles(source) ? static_cast<int>(DraggedFiles(data).size()) : 0);
}

void TFormMakeMovie::ScrollBoxPictureDragDrop(const QMimeData* data) {
    if (!ScrollBoxPictureDragOver(data)) return RefreshStoryboard();
    AddPictures(DraggedFiles(data), -1, true);
}

}  // namespace kalidor
