#pragma once
// TStoryboardStrip: the storyboard strip below the picture and action pages ("ScrollBoxPicture"),
// one panel per picture of the open project, parallel by index, made and removed at the end
// only. It owns the panels, their mouse and drop input, the caption, time and font edits made on
// them, and the adding of pictures, which copies and thumbnails them on a worker thread.

#include "desktop/storyboard/picture_adding_job.h"
#include "desktop/storyboard/story_panel.h"

#include <QPointer>
#include <QScrollArea>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMimeData;
class QProgressBar;

namespace kalidor {

class SharpThumbnails;
class StoryboardInput;
class TFormFontConfig;
class TFormTimeConfig;
class WindowState;

class TStoryboardStrip : public QScrollArea {
    Q_OBJECT
public:
    // `progress` is the window's bottom bar, which shows how far an adding has come.
    TStoryboardStrip(WindowState& state, QProgressBar* progress, QWidget* parent = nullptr);
    ~TStoryboardStrip() override;

    void SetStoryDialogs(TFormTimeConfig* timeConfig, TFormFontConfig* fontConfig);
    // An action dragged from the action page and dropped on panel `index`: the action page's.
    std::function<void(int index, const QMimeData* data)> dropAction;

    // Makes the panel count equal the picture count and writes every panel from its picture.
    void RefreshStoryboard();
    // Appends a panel (wired, with its images). A panel alone is no edit: the adding that makes
    // it marks and records the change.
    void AddStoryPanel();
    // Adds the files at `index` (appended when negative, else all inserted there, so they end in
    // reverse order); with `checkFirst` a .jpg/.jpeg that does not decode stops it before
    // anything is added. Returns at once while the work goes on; false when adding cannot start
    // (one is running, no project, or the panel images are missing). The run is one step of the
    // history: while it runs it holds the window's edits (every other edit is refused, as undo
    // is), the captions are read-only, every drop is refused at the drag, and
    // addingChanged(true) lets the window disable the rest.
    bool AddPictures(std::vector<std::string> paths, int index, bool checkFirst);
    bool AddingPictures() const { return PictureAdder.Running(); }

    void PanelStoryBoardClick(int index);
    void ScrollBoxPictureClick();
    void LblTimeClick(int index);
    void PanelStoryBoardConfigBtnClick(int index);
    void PanelStoryBoardEditOnChange(int index);
    bool StoryBoardDragOver(int index, const QMimeData* data) const;
    void StoryBoardDragDrop(int index, const QMimeData* data);
    bool ScrollBoxPictureDragOver(const QMimeData* data) const;
    void ScrollBoxPictureDragDrop(const QMimeData* data);

    TThStoryPanelObjectManager StoryPanels;
    PictureAddingJob PictureAdder;
    QWidget* StripContent = nullptr;  // the panels' parent, scrolled as a whole

signals:
    // An adding started (true) or ended (false).
    void addingChanged(bool adding);
    // A panel was double-clicked: its picture is to be seen in the movie.
    void panelDoubleClicked(int index);

private:
    void makeStoryPanel();
    void setCaptionsReadOnly(bool readOnly);
    void writeStoryPanel(int index);
    void refreshStoryPanelsFrom(int first);
    void fitStripContent();
    const PanelImages& panelImages();
    void insertAddedPictures(std::vector<std::unique_ptr<TThPicObject>> pictures);
    void picturesAdded(const QStringList& messages);

    WindowState& state_;
    QPointer<QWidget> focusBeforeAdding_, focusWhileAdding_;
    QProgressBar* progress_;
    TFormTimeConfig* formTimeConfig_ = nullptr;
    TFormFontConfig* formFontConfig_ = nullptr;
    StoryboardInput* storyInput_ = nullptr;
    SharpThumbnails* sharpThumbnails_ = nullptr;
    PanelImages panelImages_;
    int addingIndex_ = -1;
    std::string addingDir_;
};

}  // namespace kalidor
