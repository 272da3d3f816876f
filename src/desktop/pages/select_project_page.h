#pragma once
// TSelectProjectPage: page 0 of the main window ("TabSheetSelectProject"): every project of the
// workspace as its thumbnail and name, with the new, rename, delete and open buttons beside them.
// Opening reads the chosen project whole and hands it to the window, which makes it the open one.

#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QListView;
class QProgressBar;

namespace kalidor {

// Shown in the list area while there is no project.
inline constexpr const char* kFirstStepsHint =
    QT_TRANSLATE_NOOP("Messages", "プロジェクトがありません。左の「新規作成」でプロジェクトを作り、開いて画像を追加してください。");
// Shown there instead when the workspace could not be made ready: the buttons cannot work.
inline constexpr const char* kWorkspaceProblemHint =
    QT_TRANSLATE_NOOP("Messages", "作業フォルダの準備ができなかったため、Kalidor を使えません。\n"
                                  "表示されたメッセージの原因（空き容量、書き込みの権限、壊れたファイル）を取り除いてから、起動し直してください。");

class ProjectListModel;
class TFormProjectName;
class TPNGButton;
class TThPicObjectManager;
class WindowState;

class TSelectProjectPage : public QWidget {
    Q_OBJECT
public:
    // `progress` is the window's bottom bar, which follows the loading of the thumbnails.
    TSelectProjectPage(WindowState& state, QProgressBar* progress, QWidget* parent = nullptr);

    void SetProjectNameForm(TFormProjectName* form) { formProjectName_ = form; }
    // Called with the project read from the chosen folder; the window makes it the open one.
    std::function<void(TThPicObjectManager project)> opened;

    void RefillProjectList();
    // Open, new, rename and delete act on the selected project of the list.
    void OpenSelectedProject();
    void MakeProject();
    void RenameSelectedProject();
    void DeleteSelectedProject();
    void Select(int row);
    void SelectProjectNamed(const std::string& name);
    int SelectedRow() const;
    // The workspace could not be made ready: the hint says so instead of showing the way in.
    void ShowWorkspaceProblem();

    TPNGButton* pngBtnMakeProject = nullptr;
    TPNGButton* pngBtnRenameProject = nullptr;
    TPNGButton* pngBtnDelProject = nullptr;
    TPNGButton* pngBtnToSelectPicture = nullptr;
    QListView* LVProject = nullptr;
    ProjectListModel* ProjectModel = nullptr;
    QLabel* LabelFirstSteps = nullptr;

private:
    // The fixed message of a failed command, with the OS's reason below it.
    void showFailure(const char* message, const std::string& reason);

    WindowState& state_;
    TFormProjectName* formProjectName_ = nullptr;
};

}  // namespace kalidor
