#include "desktop/storyboard/storyboard_strip.h"

#include "desktop_rules/panel_layout.h"
#include "desktop_rules/storyboard_editing.h"
#include "desktop/dialogs/form_font_config.h"
#include "desktop/dialogs/form_time_config.h"
#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/action_pixmap.h"
#include "desktop/shared/bitmap_image.h"
#include "desktop/shared/drag_formats.h"
#include "desktop/shared/focus_frame.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/quiet_write.h"
#include "desktop/shared/read_only_look.h"
#include "desktop/shared/scale_watch.h"
#include "desktop/shared/translated.h"
#include "desktop/shared/window_state.h"
#include "desktop/storyboard/sharp_thumbnails.h"
#include "desktop/storyboard/storyboard_input.h"
#include "imaging/freedesktop_thumbnails.h"
#include "model/picture_adding.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <cstdio>

namespace kalidor {
namespace {

using rules::DragSource;

bool isFiles(DragSource source) { return source == DragSource::BrowserFiles || source == DragSource::DesktopFiles; }

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }

// The adding run's own steps, one step however many pictures it inserts.
constexpr const char* kAddingKey = "adding pictures";

}  // namespace

TStoryboardStrip::TStoryboardStrip(WindowState& state, QProgressBar* progress, QWidget* parent)
    : QScrollArea(parent), state_(state), progress_(progress) {
    setObjectName("ScrollBoxPicture");
    setFixedHeight(rules::kStripHeight);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab stops at the panels' controls, not at the strip around them (a click still focuses it).
    setFocusPolicy(Qt::ClickFocus);
    FrameWhileFocused(this);
    StripContent = new QWidget;
    StripContent->setObjectName("ScrollBoxPictureContent");
    // The panels are the items of a list to a screen reader.
    SpeakAs(StripContent, QAccessible::List);
    StripContent->setAccessibleName(tr("ストーリーボード"));
    // As high as the strip inside its frame and above its scroll bar: all of it is the strip.
    const int height = rules::kStripHeight - 2 * frameWidth() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    StripContent->setFixedSize(rules::StripContentWidth(0), height);
    setWidget(StripContent);

    StoryboardInput::Handlers handlers;
    handlers.select = [this](int index) { PanelStoryBoardClick(index); };
    handlers.doubleClick = [this](int index) { emit panelDoubleClicked(index); };
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
        QCoreApplication::sendEvent(horizontalScrollBar(), event);
        return true;
    };
    storyInput_ = new StoryboardInput(std::move(handlers), this);
    storyInput_->WatchStrip(StripContent);
    storyInput_->WatchStrip(viewport());

    sharpThumbnails_ = new SharpThumbnails(
        [](const std::string& path, Bitmap& bitmap) { return UnitImageExtract::ExtractThumbnail(path, bitmap, 0); }, this);
    connect(sharpThumbnails_, &SharpThumbnails::ready, this, [this](const QString& path) {
        for (int i = 0; i < state_.Project.Count() && i < StoryPanels.Count(); ++i)
            if (state_.Project.Items(i).PicturePath == path.toStdString()) writeStoryPanel(i);
    });
    OnScaleChange(StripContent, [this] { refreshStoryPanelsFrom(0); });

    PictureAdder.insert = [this](std::vector<std::unique_ptr<TThPicObject>> pictures) {
        insertAddedPictures(std::move(pictures));
    };
    connect(&PictureAdder, &PictureAddingJob::progress, this, [this](int done, int total) {
        progress_->setRange(0, total);
        progress_->setValue(done);
    });
    connect(&PictureAdder, &PictureAddingJob::finished, this,
            [this](const QStringList& messages, bool) { picturesAdded(messages); });
}

TStoryboardStrip::~TStoryboardStrip() = default;

void TStoryboardStrip::SetStoryDialogs(TFormTimeConfig* timeConfig, TFormFontConfig* fontConfig) {
    formTimeConfig_ = timeConfig;
    formFontConfig_ = fontConfig;
}

const PanelImages& TStoryboardStrip::panelImages() {
    if (panelImages_.dir != state_.ImgDir()) panelImages_ = LoadPanelImages(state_.ImgDir());
    return panelImages_;
}

void TStoryboardStrip::fitStripContent() { StripContent->setFixedWidth(rules::StripContentWidth(StoryPanels.Count())); }

void TStoryboardStrip::makeStoryPanel() {
    const int index = StoryPanels.Count();
    auto panel = std::make_unique<TThStoryPanelObject>(StripContent, index);
    for (const rules::PanelControlLayout& layout : rules::kPanelControls)
        storyInput_->WatchPanelControl(panel->Control(layout.control));
    connect(panel->EditStoryBoradStr.data(), &QLineEdit::textChanged, this,
            [this, index] { PanelStoryBoardEditOnChange(index); });
    panel->EditStoryBoradStr->setReadOnly(AddingPictures());
    LookReadOnlyWhenSo(panel->EditStoryBoradStr);
    connect(panel->EditStoryBoradConfBtn.data(), &TPNGButton::clicked, this,
            [this, index] { PanelStoryBoardConfigBtnClick(index); });
    TThStoryPanelObject& added = StoryPanels.Items(StoryPanels.Add(std::move(panel)));
    fitStripContent();
    // A missing image is raised after the panel is in the list; the edit that called this puts
    // the counts right with its refresh.
    ApplyPanelImages(added, panelImages());
}

void TStoryboardStrip::AddStoryPanel() { makeStoryPanel(); }

void TStoryboardStrip::setCaptionsReadOnly(bool readOnly) {
    for (int i = 0; i < StoryPanels.Count(); ++i) StoryPanels.Items(i).EditStoryBoradStr->setReadOnly(readOnly);
}

void TStoryboardStrip::writeStoryPanel(int index) {
    const rules::PanelContent content = rules::PanelContentFor(state_.Project, index);
    TThStoryPanelObject& panel = StoryPanels.Items(index);
    // A dense screen shows the picture made again at its own pixel size once that is there.
    const qreal ratio = panel.ImgStoryBoradThumbnail->devicePixelRatioF();
    const QImage sharp =
        ratio > 1 ? sharpThumbnails_->Find(state_.Project.Items(index).PicturePath, ratio) : QImage();
    if (!(panel.ShownThumbnail == *content.thumbnail) || panel.ShownSharpKey != sharp.cacheKey()) {
        panel.ImgStoryBoradThumbnail->setPixmap(QPixmap::fromImage(sharp.isNull() ? ToQImage(*content.thumbnail) : sharp));
        panel.ShownThumbnail = *content.thumbnail;
        panel.ShownSharpKey = sharp.cacheKey();
    }
    panel.LblStoryBoradThumbnailNo->setText(QString::fromStdString(content.number));
    const TThActionObjectManager* actions = state_.Actions.get();
    const Bitmap* picIcon = actions ? actions->PicBitmap(content.picAction, true) : nullptr;
    const Bitmap* strIcon = actions ? actions->StrBitmap(content.strAction, true) : nullptr;
    // A screen reader says which action an icon stands for: its name in the action list.
    const auto actionName = [actions](bool picture, std::uint8_t value) {
        for (int i = 0; actions && i < actions->Count(); ++i) {
            const TThActionObject& action = actions->Items(i);
            if (action.IsPicture == picture && (picture ? action.PicType : action.StrType) == value)
                return TranslatedActionName(action.Name);
        }
        return QString();
    };
    const QString picAction = actionName(true, content.picAction), strAction = actionName(false, content.strAction);
    if (panel.ImgStoryBoradActPic->accessibleDescription() != picAction)
        panel.ImgStoryBoradActPic->setAccessibleDescription(picAction);
    if (panel.ImgStoryBoradActStr->accessibleDescription() != strAction)
        panel.ImgStoryBoradActStr->setAccessibleDescription(strAction);
    for (auto [label, icon, shown] : {std::tuple{panel.ImgStoryBoradActPic.data(), picIcon, &panel.ShownPicIcon},
                                      std::tuple{panel.ImgStoryBoradActStr.data(), strIcon, &panel.ShownStrIcon}}) {
        if (icon == *shown && !label->pixmap().isNull() == (icon != nullptr)) continue;
        if (icon) label->setPixmap(ActionPixmap(*actions, *icon));
        else label->clear();
        *shown = icon;
    }
    panel.LblStoryBoradTime->setText(QString::fromStdString(content.time));
    // Only a different text is written: rewriting the same one would throw the caret to the end
    // while the user types. Written quietly: showing the project is no edit of it.
    const QString caption = QString::fromStdString(content.caption);
    if (panel.EditStoryBoradStr->text() != caption)
        WriteQuietly({panel.EditStoryBoradStr}, [&] {
            panel.EditStoryBoradStr->setText(caption);
            // A long caption shows its beginning, not its end, until the user goes into it.
            if (!panel.EditStoryBoradStr->hasFocus()) panel.EditStoryBoradStr->setCursorPosition(0);
        });
    ShowLongCaptionAsTip(*panel.EditStoryBoradStr);
    QPalette colours = panel.PanelStoryBorad->palette();
    colours.setColor(QPalette::Window, content.selected ? ToQColor(rules::kSelectedPanelColor) : buttonFace());
    panel.PanelStoryBorad->setPalette(colours);
    const std::string& path = state_.Project.Items(index).PicturePath;
    SpeakPanel(panel, {.fileName = QString::fromStdString(path.substr(path.find_last_of('/') + 1)),
                       .time = QString::fromStdString(content.time),
                       .picAction = picAction,
                       .strAction = strAction,
                       .caption = caption,
                       .selected = content.selected});
}

void TStoryboardStrip::refreshStoryPanelsFrom(int first) {
    for (int i = std::max(first, 0); i < state_.Project.Count() && i < StoryPanels.Count(); ++i) writeStoryPanel(i);
}

void TStoryboardStrip::RefreshStoryboard() {
    while (StoryPanels.Count() > state_.Project.Count()) StoryPanels.DeleteLast();
    QString failure;
    while (StoryPanels.Count() < state_.Project.Count()) {
        try {
            makeStoryPanel();
        } catch (const std::exception& error) {
            // The panel is there, without its images; the counts agree all the same.
            if (failure.isEmpty()) failure = Translated(error);
        }
    }
    fitStripContent();
    refreshStoryPanelsFrom(0);
    if (!failure.isEmpty()) state_.notice(window(), failure);
}

// --- Selection ----------------------------------------------------------------------------------

void TStoryboardStrip::PanelStoryBoardClick(int index) {
    if (index < 0 || index >= state_.Project.Count()) return;
    const Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
    rules::ClickPicture(state_.Project, index,
                        {keys.testFlag(Qt::ControlModifier), keys.testFlag(Qt::ShiftModifier)});
    RefreshStoryboard();
}

void TStoryboardStrip::ScrollBoxPictureClick() {
    rules::ClearSelection(state_.Project);
    RefreshStoryboard();
}

// --- Adding -------------------------------------------------------------------------------------

bool TStoryboardStrip::AddPictures(std::vector<std::string> paths, int index, bool checkFirst) {
    if (AddingPictures() || paths.empty() || state_.Project.ProjectDir.empty()) return false;
    try {
        panelImages();
    } catch (const std::exception& error) {
        state_.notice(window(), Translated(error));
        return false;
    }
    addingIndex_ = index;
    addingDir_ = state_.Project.ProjectDir;
    if (!PictureAdder.Start(addingDir_, std::move(paths), checkFirst)) return false;
    // Nothing else may change the open project until it is over: the run is one step.
    state_.HoldEdits(kAddingKey);
    setCaptionsReadOnly(true);
    // The controls disabled meanwhile lose the focus; it goes back there afterwards, unless the
    // user has moved it since.
    focusBeforeAdding_ = QApplication::focusWidget();
    emit addingChanged(true);
    focusWhileAdding_ = QApplication::focusWidget();
    progress_->setRange(0, 1);
    progress_->setValue(0);
    return true;
}

void TStoryboardStrip::insertAddedPictures(std::vector<std::unique_ptr<TThPicObject>> pictures) {
    TThPicObjectManager& project = state_.Project;
    if (project.ProjectDir != addingDir_) {
        // Made for a project that is no longer open: nothing will ever name these copies.
        for (const auto& picture : pictures) std::remove(picture->PicturePath.c_str());
        return;
    }
    int first = project.Count();
    state_.Edit(rules::kStepAddPictures, [&] {
        for (std::unique_ptr<TThPicObject>& picture : pictures) {
            state_.PictureCopyMade(picture->PicturePath);
            makeStoryPanel();
            const int index = addingIndex_ < 0 || addingIndex_ > project.Count() ? -1 : addingIndex_;
            InsertPicture(project, std::move(picture), index);
            first = std::min(first, index < 0 ? project.Count() - 1 : index);
        }
    }, {.mergeKey = kAddingKey});
    refreshStoryPanelsFrom(first);
}

void TStoryboardStrip::picturesAdded(const QStringList& messages) {
    state_.ReleaseEdits();
    setCaptionsReadOnly(false);
    emit addingChanged(false);
    if (focusBeforeAdding_ && focusBeforeAdding_->isVisible() && focusBeforeAdding_->isEnabled() &&
        QApplication::focusWidget() == focusWhileAdding_.data())
        focusBeforeAdding_->setFocus(Qt::OtherFocusReason);
    progress_->setValue(0);
    RefreshStoryboard();
    if (!messages.isEmpty()) state_.notice(window(), messages.join(QLatin1Char('\n')));
}

// --- Editing on a panel -------------------------------------------------------------------------

void TStoryboardStrip::PanelStoryBoardEditOnChange(int index) {
    TThPicObjectManager& project = state_.Project;
    if (index < 0 || index >= project.Count() || index >= StoryPanels.Count()) return;
    QLineEdit* edit = StoryPanels.Items(index).EditStoryBoradStr;
    TThPicObject& picture = project.Items(index);
    const std::string text = edit->text().toStdString();
    const std::optional<Message> refusal = rules::CheckCaptionText(text);
    // Typing into one caption is one step, and goes into the history as it is typed.
    if (!refusal && state_.Edit(rules::kStepCaption, [&] { picture.Text = text; },
                                {.mergeKey = "caption " + std::to_string(index)}))
        return;
    // Refused where it is typed: the caption goes back to what the picture holds.
    const QString kept = QString::fromStdString(picture.Text);
    const int cursor = edit->cursorPosition() - (edit->text().size() - kept.size());
    WriteQuietly({edit}, [&] {
        edit->setText(kept);
        edit->setCursorPosition(std::max(cursor, 0));
    });
    if (refusal) state_.notice(window(), Translated(*refusal));
}

void TStoryboardStrip::LblTimeClick(int index) {
    // Refused before the dialog while another edit holds the project, as undo is.
    if (!formTimeConfig_ || state_.EditsHeld() || index < 0 || index >= state_.Project.Count()) return;
    TThPicObject& picture = state_.Project.Items(index);
    int seconds = picture.DisplayTime;
    const bool accepted = formTimeConfig_->Execute(seconds) == QDialog::Accepted;
    // Marked after Cancel too.
    state_.Edit(rules::kStepDisplayTime, [&] { if (accepted) picture.DisplayTime = seconds; },
                EditOptions::MarkingAnyway());
    RefreshStoryboard();
}

void TStoryboardStrip::PanelStoryBoardConfigBtnClick(int index) {
    if (!formFontConfig_ || state_.EditsHeld() || index < 0 || index >= state_.Project.Count()) return;
    TThPicObject& picture = state_.Project.Items(index);
    CaptionFont edited = picture.Font;
    const bool accepted = formFontConfig_->Execute(edited) == QDialog::Accepted;
    // Marked after Cancel too; the panels do not show the font.
    state_.Edit(rules::kStepFont, [&] { if (accepted) picture.Font = edited; }, EditOptions::MarkingAnyway());
}

// --- Dropping -----------------------------------------------------------------------------------

bool TStoryboardStrip::StoryBoardDragOver(int index, const QMimeData* data) const {
    if (index < 0 || index >= state_.Project.Count()) return false;
    // An action too: the run holds every edit, and a drop the drag accepts must not then be refused.
    if (AddingPictures()) return false;
    const DragSource source = DragSourceOf(data);
    const int files = isFiles(source) ? static_cast<int>(DraggedFiles(data).size()) : 0;
    return rules::PanelAcceptsDrop(source, files, DraggedNumber(data) >= 0);
}

void TStoryboardStrip::StoryBoardDragDrop(int index, const QMimeData* data) {
    if (!StoryBoardDragOver(index, data)) return;
    switch (rules::PanelDropFor(DragSourceOf(data))) {
    case rules::PanelDrop::InsertFiles:
        // The run marks and records the pictures as they come.
        AddPictures(DraggedFiles(data), index, false);
        return;
    case rules::PanelDrop::GiveAction:
        // The action page makes the edit itself (or refuses).
        if (dropAction) dropAction(index, data);
        return;
    case rules::PanelDrop::MovePicture: {
        const int from = DraggedNumber(data);
        // Every drop marks the project, a panel dropped onto itself too.
        state_.Edit(rules::kStepMovePicture, [&] {
            if (from >= 0 && from < state_.Project.Count()) rules::MovePicture(state_.Project, from, index);
        }, EditOptions::MarkingAnyway());
        RefreshStoryboard();
        return;
    }
    case rules::PanelDrop::Nothing:
        RefreshStoryboard();
        return;
    }
}

bool TStoryboardStrip::ScrollBoxPictureDragOver(const QMimeData* data) const {
    if (AddingPictures()) return false;
    const DragSource source = DragSourceOf(data);
    return rules::StripAcceptsDrop(source, isFiles(source) ? static_cast<int>(DraggedFiles(data).size()) : 0);
}

void TStoryboardStrip::ScrollBoxPictureDragDrop(const QMimeData* data) {
    if (!ScrollBoxPictureDragOver(data)) return RefreshStoryboard();
    AddPictures(DraggedFiles(data), -1, true);
}

}  // namespace kalidor
