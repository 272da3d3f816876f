#include "desktop/browser/picture_browser.h"

#include "desktop_rules/picture_browser.h"
#include "desktop/browser/browser_file_model.h"
#include "desktop/browser/browser_item_delegate.h"
#include "desktop/browser/browser_places.h"
#include "desktop/shared/focus_frame.h"
#include "desktop/shared/thumbnail_feed.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/scale_watch.h"
#include "imaging/freedesktop_thumbnails.h"
#include "platform/user_folders.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListView>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace kalidor {
namespace {
constexpr int kPlaceFolderRole = Qt::UserRole + 1;
// The folder last shown on that place, which choosing the place again returns to.
constexpr int kPlaceCurrentRole = Qt::UserRole + 2;

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The model's paths carry no trailing '/', but the root is "/".
QString modelPath(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return QString::fromStdString(path);
}

std::vector<browser::BrowserPlace> placesOf(const QComboBox* box) {
    std::vector<browser::BrowserPlace> places;
    for (int i = 0; i < box->count(); ++i)
        places.push_back({box->itemData(i, kPlaceFolderRole).toString().toStdString(), false});
    return places;
}

QString placeText(const browser::BrowserPlace& place) {
    const QString folder = modelPath(place.folder);
    if (place.fileSystem) return folder;
    const QString name = folder.section('/', -1);
    return name.isEmpty() ? folder : name + QStringLiteral("  (") + folder + ')';
}

}  // namespace

TPictureBrowser::TPictureBrowser(QProgressBar* progress, QWidget* parent) : QWidget(parent), progress_(progress) {
    setObjectName("PanelSelectPictureArea");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* selectDir = new QWidget(this);
    selectDir->setObjectName("PanelSelectDir");
    selectDir->setFixedWidth(225);
    auto* left = new QVBoxLayout(selectDir);
    left->setContentsMargins(2, 4, 3, 2);
    left->setSpacing(4);
    for (auto [button, name, text] :
         {std::tuple{&PngBtnDesktop, "PngBtnDesktop", QT_TRANSLATE_NOOP("Buttons", "デスクトップ")},
          std::tuple{&PngBtnDocument, "PngBtnDocument", QT_TRANSLATE_NOOP("Buttons", "ドキュメント")}}) {
        *button = new TPNGButton(selectDir);
        (*button)->setObjectName(name);
        (*button)->setAccessibleName(QCoreApplication::translate("Buttons", text));
        (*button)->setButtonStyle(pbsNoFrame);
        (*button)->setFixedSize(220, 46);
        left->addWidget(*button);
    }
    connect(PngBtnDesktop, &TPNGButton::clicked, this, &TPictureBrowser::PngBtnDesktopClick);
    connect(PngBtnDocument, &TPNGButton::clicked, this, &TPictureBrowser::PngBtnDocumentClick);

    DriveCB = new QComboBox(selectDir);
    DriveCB->setObjectName("DriveCB");
    DriveCB->setAccessibleName(tr("場所"));
    const QFileIconProvider icons;
    for (const browser::BrowserPlace& place : browser::BrowserPlaces()) {
        const QString folder = QString::fromStdString(place.folder);
        DriveCB->addItem(icons.icon(place.fileSystem ? QAbstractFileIconProvider::Drive : QAbstractFileIconProvider::Folder),
                         placeText(place));
        DriveCB->setItemData(DriveCB->count() - 1, folder, kPlaceFolderRole);
        DriveCB->setItemData(DriveCB->count() - 1, folder, kPlaceCurrentRole);
    }
    connect(DriveCB, &QComboBox::activated, this, &TPictureBrowser::DriveCBChange);
    left->addWidget(DriveCB);

    DirListModel = new QFileSystemModel(this);
    DirListModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    DirListModel->setRootPath(QStringLiteral("/"));
    DirListBox = new QTreeView(selectDir);
    DirListBox->setObjectName("DirListBox");
    DirListBox->setAccessibleName(tr("フォルダ"));
    FrameWhileFocused(DirListBox);
    DirListBox->setModel(DirListModel);
    for (int column = 1; column < DirListModel->columnCount(); ++column) DirListBox->hideColumn(column);
    DirListBox->setHeaderHidden(true);
    DirListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DirListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(DirListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TPictureBrowser::DirListBoxChange);
    // The folders load in the background: the chosen one is brought into view once its parents are there.
    // Folders the user opens elsewhere in the tree leave it where it is.
    connect(DirListModel, &QFileSystemModel::directoryLoaded, DirListBox, [this](const QString& loaded) {
        const QModelIndex current = DirListBox->currentIndex();
        const QString folder = DirListModel->filePath(current);
        if (current.isValid() && (folder == loaded || folder.startsWith(loaded.endsWith('/') ? loaded : loaded + '/')))
            DirListBox->scrollTo(current, QAbstractItemView::PositionAtCenter);
    });
    left->addWidget(DirListBox, 1);
    layout->addWidget(selectDir);

    AttachFileModel = new browser::BrowserFileModel(this);
    LVAttachFile = new QListView(this);
    LVAttachFile->setObjectName("LVAttachFile");
    LVAttachFile->setAccessibleName(tr("フォルダの画像"));
    FrameWhileFocused(LVAttachFile);
    LVAttachFile->setViewMode(QListView::IconMode);
    LVAttachFile->setMovement(QListView::Static);  // dragging takes files out, never rearranges the list
    LVAttachFile->setResizeMode(QListView::Adjust);
    LVAttachFile->setUniformItemSizes(true);
    LVAttachFile->setSpacing(2);
    LVAttachFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LVAttachFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVAttachFile->setDragEnabled(true);
    LVAttachFile->setDragDropMode(QAbstractItemView::DragOnly);
    LVAttachFile->setDefaultDropAction(Qt::CopyAction);
    LVAttachFile->setModel(AttachFileModel);
    LVAttachFile->setItemDelegate(new browser::BrowserItemDelegate(LVAttachFile));
    // On a screen of another scale the shown folder's thumbnails are made again for it.
    OnScaleChange(LVAttachFile, [this] { followRatio(); });
    layout->addWidget(LVAttachFile, 1);

    BrowserThumbnails = new ThumbnailFeed(
        [](const std::string& path, Bitmap& bitmap) { return UnitImageExtract::ExtractThumbnail(path, bitmap, 0); }, 0,
        this);
    connect(BrowserThumbnails, &ThumbnailFeed::thumbnailReady, AttachFileModel,
            &browser::BrowserFileModel::SetThumbnail);
    connect(BrowserThumbnails, &ThumbnailFeed::progress, this, [this](int done, int) {
        progress_->setValue(std::min(done, progress_->maximum()));
    });
    connect(BrowserThumbnails, &ThumbnailFeed::finished, this, [this] { progress_->setValue(0); });

    // The items in view go first: after a folder is shown and whenever the list scrolls.
    preferTimer_ = new QTimer(this);
    preferTimer_->setSingleShot(true);
    preferTimer_->setInterval(40);
    connect(preferTimer_, &QTimer::timeout, this, &TPictureBrowser::preferVisibleThumbnails);
    connect(LVAttachFile->verticalScrollBar(), &QScrollBar::valueChanged, preferTimer_,
            qOverload<>(&QTimer::start));
}

const std::vector<std::string>& TPictureBrowser::FolderFiles() const { return AttachFileModel->Files(); }

std::vector<std::string> TPictureBrowser::SelectedBrowserFiles() const {
    std::vector<int> rows;
    for (const QModelIndex& index : LVAttachFile->selectionModel()->selectedIndexes()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<std::string> files;
    for (const int row : rows) files.push_back(FolderFiles()[static_cast<std::size_t>(row)]);
    return files;
}

void TPictureBrowser::PngBtnDesktopClick() { SetBrowserFolder(DesktopFolder()); }

void TPictureBrowser::PngBtnDocumentClick() { SetBrowserFolder(DocumentsFolder()); }

bool TPictureBrowser::SetBrowserFolder(const std::string& folder) {
    return openFolder(browser::PlaceOf(placesOf(DriveCB), folder), folder);
}

bool TPictureBrowser::openFolder(int place, const std::string& folder) {
    const QModelIndex index = DirListModel->index(modelPath(folder));
    if (!index.isValid() || !DirListModel->isDir(index)) return false;
    // Only the place's own folders are in the tree, so no system folder stands above the user's.
    const QString rootPath =
        place >= 0 ? modelPath(DriveCB->itemData(place, kPlaceFolderRole).toString().toStdString()) : QStringLiteral("/");
    treePlace_ = place;
    DirListModel->setRootPath(rootPath);
    const QModelIndex root = DirListModel->index(rootPath);
    DirListBox->setRootIndex(root);
    if (index == root) {
        // The place itself is no row of the tree: no row is current, so the keys start at its first folder.
        DirListBox->selectionModel()->clear();
    } else {
        for (QModelIndex parent = index.parent(); parent.isValid() && parent != root; parent = parent.parent())
            DirListBox->expand(parent);
        DirListBox->setCurrentIndex(index);  // shows the folder when it is another
        DirListBox->expand(index);
        DirListBox->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
    const std::string path = DirListModel->filePath(index).toStdString();
    if (withSlash(path) != browserFolder_) ShowFolder(path);
    else markPlace();  // the folder stays; the tree and the drive box may have changed place
    return true;
}

void TPictureBrowser::DirListBoxChange() {
    const QModelIndex current = DirListBox->currentIndex();
    if (current.isValid()) ShowFolder(DirListModel->filePath(current).toStdString());
}

void TPictureBrowser::DriveCBChange(int place) {
    // A remembered folder removed since gives way to the place's own.
    if (!openFolder(place, DriveCB->itemData(place, kPlaceCurrentRole).toString().toStdString()) &&
        !openFolder(place, DriveCB->itemData(place, kPlaceFolderRole).toString().toStdString())) {
        const QSignalBlocker quiet(DriveCB);
        DriveCB->setCurrentIndex(treePlace_);  // an unmounted drive: the box goes back to the tree's place
    }
}

void TPictureBrowser::ShowFolder(const std::string& folder) {
    browserFolder_ = withSlash(folder);
    AttachFileModel->Reset(rules::ListFolderPictures(browserFolder_));
    startThumbnails();
    markPlace();
}

void TPictureBrowser::markPlace() {
    // The drive box shows the place the tree holds, or else the place holding the folder, and
    // remembers the folder for it.
    const std::vector<browser::BrowserPlace> places = placesOf(DriveCB);
    const bool inTree = treePlace_ >= 0 && treePlace_ < static_cast<int>(places.size()) &&
                        browser::PlaceOf({places[static_cast<std::size_t>(treePlace_)]}, browserFolder_) == 0;
    const int place = inTree ? treePlace_ : browser::PlaceOf(places, browserFolder_);
    if (place >= 0) {
        const QSignalBlocker quiet(DriveCB);
        DriveCB->setCurrentIndex(place);
        DriveCB->setItemData(place, QString::fromStdString(browserFolder_), kPlaceCurrentRole);
    }
}

void TPictureBrowser::startThumbnails() {
    ratio_ = LVAttachFile->devicePixelRatioF();
    const int count = AttachFileModel->rowCount();
    // A range of 0 to 0 (one picture) would turn the bar into a busy indicator; 0 to 1 looks the same empty.
    progress_->setRange(0, std::max(1, rules::ThumbnailProgressMaximum(count)));
    progress_->setValue(0);
    BrowserThumbnails->Start(FolderFiles(), rules::kBrowserThumbnailSize, rules::kBrowserThumbnailSize, ratio_);
    preferTimer_->start();
}

void TPictureBrowser::followRatio() {
    // The list keeps its items and selection; the old thumbnails show until the new ones come.
    if (!browserFolder_.empty() && LVAttachFile->devicePixelRatioF() != ratio_) startThumbnails();
}

void TPictureBrowser::preferVisibleThumbnails() {
    const QRect view = LVAttachFile->viewport()->rect();
    int first = -1, last = -1;
    for (int row = 0; row < AttachFileModel->rowCount(); ++row) {
        if (LVAttachFile->visualRect(AttachFileModel->index(row)).intersects(view)) {
            if (first < 0) first = row;
            last = row;
        } else if (first >= 0) {
            break;  // the items in view are consecutive
        }
    }
    if (first >= 0) BrowserThumbnails->Prefer(first, last);
}

}  // namespace kalidor
