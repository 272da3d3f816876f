#pragma once
// TFormMakeMovie: the main window. A menu bar of five image buttons over four pages (project
// list, pictures, actions, movie), the storyboard strip of pages 1 and 2, and the progress bar
// of the thumbnail loading. Owns the open project and the action catalogue for the whole run.

#include "actions/action_catalogue.h"
#include "board/unsaved_changes.h"
#include "model/pic_object.h"
#include "platform/workspace.h"
#include "desktop/storyboard/picture_adding_job.h"
#include "desktop/storyboard/story_panel.h"
#include "desktop/shared/message_boxes.h"

#include <QWidget>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMimeData;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QProgressBar;
class QScrollArea;
class QStackedWidget;
// Picture browser
class QComboBox;
class QFileSystemModel;
class QTimer;
class QTreeView;
namespace kalidor::browser {
class BrowserFileModel;
class ThumbnailFeed;
}  // namespace kalidor::browser

namespace kalidor {

class ProjectListModel;
class StoryboardInput;
class TFormFontConfig;
class TFormTimeConfig;
class TFormProjectName;
class TFormStatus;
class TPNGButton;
class MovieExport;

// A command button of a page's bottom row: its name and left edge in the row.
struct RowButton {
    const char* name;
    int left;
};

class TFormMakeMovie : public QWidget {
    Q_OBJECT
public:
    // base: the workspace base folder; dataDir: the program's delivered data.
    TFormMakeMovie(std::string base, std::string dataDir, QWidget* parent = nullptr);
    ~TFormMakeMovie() override;

    // Makes the workspace, loads the catalogue and shows page 0. An error stops it, is shown
    // with its own text, and the window goes on with what was made.
    void FormCreate();

    // Moves to page 0..3; false when the user declined or an image was missing.
    bool SwitchPage(int page);
    void RefillProjectList();
    // Open, new, rename and delete act on the selected project of the list.
    void OpenSelectedProject();
    void MakeProject();
    void RenameSelectedProject();
    void DeleteSelectedProject();
    void FormResize();

    void SetProjectNameForm(TFormProjectName* form) { formProjectName_ = form; }
    void Select(int row);
    void SelectProjectNamed(const std::string& name);
    int SelectedRow() const;

    const std::string& ProjectRoot() const { return workspace_.ProjectRoot; }
    const std::string& ConfigDir() const { return workspace_.ConfigDir; }
    const std::string& ImgDir() const { return workspace_.ImgDir; }

    TThPicObjectManager Project;
    std::unique_ptr<TThActionObjectManager> Actions;
    bool Modified = false;
    // Modified, or the project differs from what was last opened or saved: what the questions
    // before throwing the project away go by.
    bool HasUnsavedChanges() const;
    // The project as it is now counts as saved: what opening and saving leave.
    void MarkProjectSaved() { unsaved_.Saved(Project); }
    // Linux has no platform name, which counts as "Unknown": thumbnails are redrawn.
    bool RedrawThumbnails = true;

    // Controls, by their names in the program.
    TPNGButton* pngBtnSelectProject = nullptr;
    TPNGButton* pngBtnSelectPicture = nullptr;
    TPNGButton* pngBtnSelectAction = nullptr;
    TPNGButton* pngBtnMakeMovie = nullptr;
    TPNGButton* pngBtnSaveProject = nullptr;
    TPNGButton* pngBtnMakeProject = nullptr;
    TPNGButton* pngBtnRenameProject = nullptr;
    TPNGButton* pngBtnDelProject = nullptr;
    TPNGButton* pngBtnToSelectPicture = nullptr;
    QStackedWidget* PageControl = nullptr;
    QWidget* PanelSelectPictureBottom = nullptr;
    QWidget* PanelSelectPictureButton = nullptr;
    QWidget* PanelActionBottom = nullptr;
    QWidget* PanelActionButton = nullptr;
    QScrollArea* ScrollBoxPicture = nullptr;
    QProgressBar* ProgressBarStatus = nullptr;
    QListView* LVProject = nullptr;
    ProjectListModel* ProjectModel = nullptr;

    // The page areas each part of the window fills: the picture browser above the picture
    // page's button row, the action page above its row, and the whole save-movie page.
    QWidget* PanelSelectPictureArea = nullptr;
    QWidget* PanelActionArea = nullptr;
    QWidget* TabSheetSaveMovie = nullptr;
    TPNGButton* pngBtnPicPrev = nullptr;
    TPNGButton* pngBtnPicBack = nullptr;
    TPNGButton* pngBtnAddPicture = nullptr;
    TPNGButton* pngBtnDelPicture = nullptr;
    TPNGButton* pngBtnAddAction = nullptr;
    TPNGButton* pngBtnDelAction = nullptr;

    // --- Picture browser (form_make_movie_browser.cpp) ---
    // The full paths of the browser's selected files, in list order.
    std::vector<std::string> SelectedBrowserFiles() const;
    // The folder the browser shows, ending in '/', and the full path of each of its items.
    const std::string& BrowserFolder() const { return browserFolder_; }
    const std::vector<std::string>& FolderFiles() const;
    void PngBtnDesktopClick();
    void PngBtnDocumentClick();
    void DirListBoxChange();
    // Makes `folder` the folder of DirListBox, which then shows it; false when there is no such
    // folder (the browser stays as it was).
    bool SetBrowserFolder(const std::string& folder);
    // Lists the folder's pictures at once and starts making their thumbnails.
    void ShowFolder(const std::string& folder);

    TPNGButton* PngBtnDesktop = nullptr;
    TPNGButton* PngBtnDocument = nullptr;
    QComboBox* DriveCB = nullptr;
    QTreeView* DirListBox = nullptr;
    QFileSystemModel* DirListModel = nullptr;
    QListView* LVAttachFile = nullptr;
    browser::BrowserFileModel* AttachFileModel = nullptr;
    browser::ThumbnailFeed* BrowserThumbnails = nullptr;

private:
    void DriveCBChange(int place);
    void preferVisibleThumbnails();
    std::string browserFolder_;
    QTimer* preferTimer_ = nullptr;

public:

    // --- Storyboard (form_make_movie_storyboard.cpp) ---
    // Makes the panel count equal the picture count and writes every panel from its picture.
    void RefreshStoryboard();
    void pngBtnAddPictureClick();
    void pngBtnDelPictureClick();
    void pngBtnStoryBoardMoveClick(int tag);
    // storyboard: the panels, their editing and the adding of pictures.
    // One panel per picture, parallel by index; made and removed at the end only.
    TThStoryPanelObjectManager StoryPanels;
    // Copies and thumbnails pictures on a worker thread; its finished() ends every adding.
    PictureAddingJob PictureAdder;
    QWidget* StripContent = nullptr;  // ScrollBoxPicture's content, the panels' parent
    void SetStoryDialogs(TFormTimeConfig* timeConfig, TFormFontConfig* fontConfig);
    // Appends a panel (wired, with its images) and marks the project changed.
    void AddStoryPanel();
    // Adds the files at `index` (appended when negative, else all inserted there, so they end in
    // reverse order); with `checkFirst` a .jpg/.jpeg that does not decode stops it before
    // anything is added. Returns at once while the work goes on; false when adding cannot start
    // (one is running, no project, or the panel images are missing). While it runs, the picture
    // row, the menu bar and drops of files and panels are refused.
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

private:
    void makeStoryPanel();
    void writeStoryPanel(int index);
    void refreshStoryPanelsFrom(int first);
    void fitStripContent();
    const PanelImages& panelImages();
    void insertAddedPictures(std::vector<std::unique_ptr<TThPicObject>> pictures);
    void picturesAdded(const QStringList& messages);
    TFormTimeConfig* formTimeConfig_ = nullptr;
    TFormFontConfig* formFontConfig_ = nullptr;
    StoryboardInput* storyInput_ = nullptr;
    PanelImages panelImages_;
    int addingIndex_ = -1;
    std::string addingDir_;

public:

    // --- Action page (form_make_movie_actions.cpp) ---
    void pngBtnAddActionClick();
    void pngBtnDelActionClick();
    // An action dragged from the action page and dropped on panel `index`.
    void DropActionOnPanel(int index, const QMimeData* data);
    // movie: the action page's list and preview follow the radio buttons and the list.
    void FillActionList();
    void LBActionListClick();
    void RBActionClick();
    QGroupBox* GBActionType = nullptr;
    QRadioButton* RBPicture = nullptr;
    QRadioButton* RBString = nullptr;
    QListWidget* LBActionList = nullptr;
    QWidget* PanelActionPreview = nullptr;
    QLabel* ImgActionPreview = nullptr;

    // --- Save-movie page and saving (form_make_movie_export.cpp) ---
    void pngBtnSaveProjectClick();
    // movie: the settings page, the export and its progress dialog.
    void SetStatusForm(TFormStatus* form) { formStatus_ = form; }
    TFormStatus* StatusForm();
    void ShowMovieSettings();
    void StoreMovieSettings();
    void AttachSettingsHandlers(bool attach);
    // A settings control changed by the user: an edit whatever it changed.
    void MovConfigChange();
    // A format or quality clicked: an edit only when it is another than the project's.
    void MovChoiceChange();
    void RBRaitoClick();
    void SEMovWidthChange();
    void SEMovHeightChange();
    // The other size follows the leading one by the ratio; `typing` leaves the leading box as typed.
    void coupleSizes(bool widthLeads, bool typing);
    void BtnSelectMusicFileClick();
    void BtnSelectSaveDirClick();
    void pngBtnMakeMovClick();
    // The render thread has ended: the frames go and the dialog shows the result.
    void OutputDone();
    // Whether an export's render thread is still running.
    bool Exporting() const;
    QGroupBox* GBMovType = nullptr;
    QRadioButton* RBMovTypeMP4 = nullptr;
    QRadioButton* RBMovTypeMPEG = nullptr;
    QRadioButton* RBMovTypeAVI = nullptr;
    QGroupBox* GBMovRaito = nullptr;
    QRadioButton* RBRaito4_3 = nullptr;
    QRadioButton* RBRaito16_9 = nullptr;
    QGroupBox* GBMovSize = nullptr;
    QLabel* LblMovWidth = nullptr;
    QSpinBox* SEMovWidth = nullptr;
    QLabel* LblMovHeight = nullptr;
    QSpinBox* SEMovHeight = nullptr;
    QGroupBox* GBMovQuality = nullptr;
    QComboBox* CBQuality = nullptr;
    QGroupBox* GBMusicConf = nullptr;
    QCheckBox* CBUseMusic = nullptr;
    QLineEdit* EditMusicFilePath = nullptr;
    QPushButton* BtnSelectMusicFile = nullptr;
    QGroupBox* GBSaveConf = nullptr;
    QLineEdit* EditSaveFilePath = nullptr;
    QPushButton* BtnSelectSaveDir = nullptr;
    TPNGButton* pngBtnMakeMov = nullptr;
    // The two file dialogs: given the filter, the chosen name or an empty text when cancelled.
    // Tests replace them.
    std::function<QString(QWidget* parent, const QString& filter)> OpenDialogMusicFile;
    std::function<QString(QWidget* parent, const QString& filter)> SaveDialogMov;

    NoticeFn notice = ShowNotice;
    QuestionFn question = AskQuestion;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenuBar(QWidget* bar);
    QWidget* buildProjectPage();
    template <std::size_t N>
    QWidget* buildPageWithButtonRow(QWidget*& area, QWidget*& bottom, QWidget*& row, const RowButton (&buttons)[N],
                                    int rowWidth);
    void loadCommandImages();
    // Each fills its own area; called once by the constructor.
    void buildPictureBrowser();
    void buildStoryboard();
    void buildActionPage();
    void buildMoviePage();
    void showError(const std::exception& error);
    // The fixed message of a failed command, with the OS's reason below it.
    void showFailure(const char* message, const std::string& reason);

    std::string base_;
    std::string dataDir_;
    Workspace workspace_;
    TFormProjectName* formProjectName_ = nullptr;
    bool created_ = false;
    board::UnsavedChanges unsaved_;
    // movie: the export in progress (a child object, so it goes with the window).
    TFormStatus* formStatus_ = nullptr;
    MovieExport* movieExport_ = nullptr;
    QString movieFilter_;
    // Stores the page into the project and shows it back; true when a setting changed.
    bool passSettingsThroughProject();
    bool sizeTyped_[2] = {false, false};  // width, height typed into since they were last coupled
    std::vector<QMetaObject::Connection> settingsHandlers_;
};

}  // namespace kalidor
