#pragma once
// TFormMakeMovie: the main window. A menu bar of five image buttons over the four pages (project
// list, pictures, actions, movie), the storyboard strip shown under pages 1 and 2, and the
// progress bar at the bottom. Owns for the whole run what the pages share (WindowState: the open
// project, its unsaved-changes mark, the catalogue) and decides which page shows.

#include "desktop/shared/window_state.h"

#include <QWidget>

#include <string>

class QLabel;
class QProgressBar;
class QStackedWidget;

namespace kalidor {

class TFormFontConfig;
class TFormProjectName;
class TEditMenu;
class RecoveryKeeper;
class TFormStatus;
class TFormTimeConfig;
class TPNGButton;
class TSaveMoviePage;
class TSelectActionPage;
class TSelectPicturePage;
class TSelectProjectPage;
class TStoryboardStrip;

class TFormMakeMovie : public QWidget, public WindowState {
    Q_OBJECT
public:
    // base: the workspace base folder; dataDir: the program's delivered data; recoveryHome: where
    // the recovery copy of unsaved edits lives (empty: base + "state/kalidor/").
    TFormMakeMovie(std::string base, std::string dataDir, QWidget* parent = nullptr, std::string recoveryHome = {});
    // Unsaved changes are thrown away, and the picture copies only they used with them; a recovery
    // copy keeps them unless the user was asked and let them go. Where no copy could be written,
    // the picture copies stay in the project's folder.
    ~TFormMakeMovie() override;

    // Makes the workspace, loads the catalogue and shows page 0. An error stops it, is shown
    // with its own text, and the window goes on with what was made.
    void FormCreate();
    // Moves to page 0..3; false when the user declined or an image was missing.
    bool SwitchPage(int page);
    // Makes the project read from a folder the open one (a dead export's tmp/ removed) and shows
    // it on page 1.
    void OpenProject(TThPicObjectManager project);
    // At the start: offers back the unsaved edits recovery copies hold, until one is restored.
    void OfferRecovery();
    void pngBtnSaveProjectClick();
    void FormResize();
    // Shows why the unsaved edits have no recovery copy; an empty text hides it.
    void ShowRecoveryProblem(const QString& problem);
    // Ctrl+Z, and Ctrl+Shift+Z or Ctrl+Y: the open project one edit back or forward, on every
    // page. Refused while pictures are being added (and, the window being disabled, during an
    // export).
    void UndoEdit();
    void RedoEdit();

    // The forms made beside the window, handed to the pages that use them.
    void SetProjectNameForm(TFormProjectName* form);
    void SetStoryDialogs(TFormTimeConfig* timeConfig, TFormFontConfig* fontConfig);
    void SetStatusForm(TFormStatus* form);

    // Linux has no platform name, which counts as "Unknown": thumbnails are redrawn.
    bool RedrawThumbnails = true;

    TPNGButton* pngBtnSelectProject = nullptr;
    TPNGButton* pngBtnSelectPicture = nullptr;
    TPNGButton* pngBtnSelectAction = nullptr;
    TPNGButton* pngBtnMakeMovie = nullptr;
    TPNGButton* pngBtnSaveProject = nullptr;
    QStackedWidget* PageControl = nullptr;
    TSelectProjectPage* TabSheetSelectProject = nullptr;
    TSelectPicturePage* TabSheetSelectPicture = nullptr;
    TSelectActionPage* TabSheetSelectAction = nullptr;
    TSaveMoviePage* TabSheetSaveMovie = nullptr;
    TStoryboardStrip* ScrollBoxPicture = nullptr;
    QProgressBar* ProgressBarStatus = nullptr;
    // Shown while the unsaved edits have no recovery copy, with the reason.
    QLabel* LabelRecoveryWarning = nullptr;
    // The right-click menu of the strip and the pages' free space: undo and redo.
    TEditMenu* MenuEdit = nullptr;
    RecoveryKeeper* Recovery = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenuBar(QWidget* bar);
    void putBack(const rules::ProjectState& state);
    // The open project becomes `project`, with nothing unsaved: the one way a project is opened
    // or left.
    void replaceProject(TThPicObjectManager project);
    // One copy's offer; true when its edits were restored.
    bool offerRecoveryCopy(const std::string& home, const std::string& folder);
    // Whether a right-click that no control took is the edit menu's: on the strip or a page.
    bool offersEditMenu(QObject* watched) const;
    void loadCommandImages();
    void showError(const std::exception& error);

    std::string base_;
    std::string dataDir_;
    bool created_ = false;
};

}  // namespace kalidor
