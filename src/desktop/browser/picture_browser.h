#pragma once
// TPictureBrowser: the picture page's file browser ("PanelSelectPictureArea"). The places and the
// folder tree on the left choose the folder; the list on the right shows its pictures at once,
// each with its file type's icon until the worker threads have made its thumbnail, those in view
// first. Its selection and folder are what adding pictures reads.

#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QFileSystemModel;
class QListView;
class QProgressBar;
class QTimer;
class QTreeView;
class QWindow;

namespace kalidor {

class TPNGButton;
class ThumbnailFeed;

namespace browser {
class BrowserFileModel;
}  // namespace browser

class TPictureBrowser : public QWidget {
    Q_OBJECT
public:
    // `progress` is the window's bottom bar, which follows the making of the thumbnails.
    TPictureBrowser(QProgressBar* progress, QWidget* parent = nullptr);

    // The full paths of the selected files, in list order.
    std::vector<std::string> SelectedBrowserFiles() const;
    // The folder shown, ending in '/', and the full path of each of its items.
    const std::string& BrowserFolder() const { return browserFolder_; }
    const std::vector<std::string>& FolderFiles() const;
    void PngBtnDesktopClick();
    void PngBtnDocumentClick();
    void DirListBoxChange();
    // Makes `folder` the folder of DirListBox, which then shows it; false when there is no such
    // folder (the browser stays as it was). The tree then holds the place of the drive box that
    // holds the folder.
    bool SetBrowserFolder(const std::string& folder);
    // Lists the folder's pictures at once and starts making their thumbnails, at the list's
    // device pixel ratio.
    void ShowFolder(const std::string& folder);

    TPNGButton* PngBtnDesktop = nullptr;
    TPNGButton* PngBtnDocument = nullptr;
    QComboBox* DriveCB = nullptr;
    QTreeView* DirListBox = nullptr;
    QFileSystemModel* DirListModel = nullptr;
    QListView* LVAttachFile = nullptr;
    browser::BrowserFileModel* AttachFileModel = nullptr;
    ThumbnailFeed* BrowserThumbnails = nullptr;

private:
    void DriveCBChange(int place);
    // The folder of DirListBox, in a tree that shows only the folders of drive box item `place`
    // (of "/" for -1).
    bool openFolder(int place, const std::string& folder);
    // The drive box shows and remembers the place of the folder shown.
    void markPlace();
    void startThumbnails();
    // The thumbnails are made again when the list's device pixel ratio is not theirs.
    void followRatio();
    void preferVisibleThumbnails();

    QProgressBar* progress_;
    std::string browserFolder_;
    int treePlace_ = -1;   // the drive box item whose folder is the tree's root
    qreal ratio_ = 0;      // of the thumbnails asked for
    QTimer* preferTimer_ = nullptr;
};

}  // namespace kalidor
