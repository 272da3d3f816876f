#include "desktop/window/form_make_movie.h"

#include "model/project_list.h"
#include "platform/error.h"
#include "desktop/pages/action_page_widgets.h"
#include "desktop/dialogs/form_project_name.h"
#include "desktop/shared/png_button.h"
#include "desktop/pages/project_item_delegate.h"
#include "desktop/pages/project_list_model.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListView>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace kalidor {
namespace {

struct PageImages {
    const char* normal;
    const char* active;
};
constexpr PageImages kPageImages[4] = {
    {"menu01_01.png", "menu01_02.png"},
    {"menu02_01.png", "menu02_02.png"},
    {"menu03_01.png", "menu03_02.png"},
    {"menu04_01.png", "menu04_02.png"},
};

const QString kChangedLine = QStringLiteral("現在、開いているプロジェクトは変更されています。");

QImage loadImage(const std::string& path) {
    QImage image(QString::fromStdString(path));
    if (image.isNull()) throw Error("PNG: cannot read the image file (" + path + ")");
    return image;
}

// The menu bar: its background image stretched over the whole bar.
class MenuBar : public QWidget {
public:
    using QWidget::QWidget;
    QImage background;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (!background.isNull()) painter.drawImage(rect(), background);
    }
};

// Left edges within their rows, left to right.
constexpr RowButton kPictureButtons[] = {
    {"pngBtnPicPrev", 4}, {"pngBtnPicBack", 228}, {"pngBtnAddPicture", 476}, {"pngBtnDelPicture", 700}};
constexpr int kPictureRowWidth = 921;
constexpr RowButton kActionButtons[] = {{"pngBtnAddAction", 4}, {"pngBtnDelAction", 228}};
constexpr int kActionRowWidth = 459;

}  // namespace

TFormMakeMovie::TFormMakeMovie(std::string base, std::string dataDir, QWidget* parent)
    : QWidget(parent), base_(std::move(base)), dataDir_(std::move(dataDir)), workspace_(WorkspaceAt(base_)) {
    setWindowTitle(QStringLiteral("Kalidor"));
    resize(950, 686);
    setMinimumSize(950, 686);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new MenuBar(this);
    bar->setObjectName("PanelMenu");
    bar->setFixedHeight(63);
    buildMenuBar(bar);
    layout->addWidget(bar);

    PageControl = new QStackedWidget(this);
    PageControl->addWidget(buildProjectPage());
    PageControl->addWidget(buildPageWithButtonRow(PanelSelectPictureArea, PanelSelectPictureBottom,
                                                  PanelSelectPictureButton, kPictureButtons, kPictureRowWidth));
    PageControl->widget(1)->setObjectName("TabSheetSelectPicture");
    PageControl->addWidget(buildPageWithButtonRow(PanelActionArea, PanelActionBottom, PanelActionButton,
                                                  kActionButtons, kActionRowWidth));
    PageControl->widget(2)->setObjectName("TabSheetSelectAction");
    TabSheetSaveMovie = new QWidget(PageControl);
    TabSheetSaveMovie->setObjectName("TabSheetSaveMovie");
    PageControl->addWidget(TabSheetSaveMovie);
    PageControl->installEventFilter(this);
    layout->addWidget(PageControl, 1);

    ScrollBoxPicture = new QScrollArea(this);
    ScrollBoxPicture->setFixedHeight(194);
    ScrollBoxPicture->hide();
    layout->addWidget(ScrollBoxPicture);

    ProgressBarStatus = new QProgressBar(this);
    ProgressBarStatus->setFixedHeight(19);
    ProgressBarStatus->setTextVisible(false);
    layout->addWidget(ProgressBarStatus);

    const std::pair<TPNGButton**, const char*> rowButtons[] = {
        {&pngBtnPicPrev, "pngBtnPicPrev"},       {&pngBtnPicBack, "pngBtnPicBack"},
        {&pngBtnAddPicture, "pngBtnAddPicture"}, {&pngBtnDelPicture, "pngBtnDelPicture"},
        {&pngBtnAddAction, "pngBtnAddAction"},   {&pngBtnDelAction, "pngBtnDelAction"}};
    for (const auto& [button, name] : rowButtons) *button = findChild<TPNGButton*>(name);
    connect(pngBtnPicPrev, &TPNGButton::clicked, this, [this] { pngBtnStoryBoardMoveClick(0); });
    connect(pngBtnPicBack, &TPNGButton::clicked, this, [this] { pngBtnStoryBoardMoveClick(1); });
    connect(pngBtnAddPicture, &TPNGButton::clicked, this, &TFormMakeMovie::pngBtnAddPictureClick);
    connect(pngBtnDelPicture, &TPNGButton::clicked, this, &TFormMakeMovie::pngBtnDelPictureClick);
    connect(pngBtnAddAction, &TPNGButton::clicked, this, &TFormMakeMovie::pngBtnAddActionClick);
    connect(pngBtnDelAction, &TPNGButton::clicked, this, &TFormMakeMovie::pngBtnDelActionClick);
    connect(pngBtnSaveProject, &TPNGButton::clicked, this, &TFormMakeMovie::pngBtnSaveProjectClick);

    buildPictureBrowser();
    buildStoryboard();
    buildActionPage();
    buildMoviePage();
}

// The program ends: unsaved changes are thrown away, and the copies they alone needed with them.
TFormMakeMovie::~TFormMakeMovie() { unsaved_.Discard(Project.ProjectDir); }

bool TFormMakeMovie::HasUnsavedChanges() const { return Modified || unsaved_.Differs(Project); }

void TFormMakeMovie::buildMenuBar(QWidget* bar) {
    struct Place {
        TPNGButton** button;
        const char* name;
        int left, width;
    };
    const Place places[] = {
        {&pngBtnSelectProject, "pngBtnSelectProject", 8, 192}, {&pngBtnSelectPicture, "pngBtnSelectPicture", 218, 137},
        {&pngBtnSelectAction, "pngBtnSelectAction", 372, 180}, {&pngBtnMakeMovie, "pngBtnMakeMovie", 570, 137},
        {&pngBtnSaveProject, "pngBtnSaveProject", 724, 137},
    };
    for (const Place& place : places) {
        auto* button = new TPNGButton(bar);
        button->setObjectName(place.name);
        button->setButtonStyle(pbsNoFrame);
        button->setGeometry(place.left, 5, place.width, 55);
        *place.button = button;
    }
    connect(pngBtnSelectProject, &TPNGButton::clicked, this, [this] { SwitchPage(0); });
    connect(pngBtnSelectPicture, &TPNGButton::clicked, this, [this] { SwitchPage(1); });
    connect(pngBtnSelectAction, &TPNGButton::clicked, this, [this] { SwitchPage(2); });
    connect(pngBtnMakeMovie, &TPNGButton::clicked, this, [this] { SwitchPage(3); });
}

QWidget* TFormMakeMovie::buildProjectPage() {
    auto* page = new QWidget;
    page->setObjectName("TabSheetSelectProject");
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* panel = new QWidget(page);
    panel->setFixedWidth(225);
    panel->setAutoFillBackground(true);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, QColor(250, 250, 227));
    panel->setPalette(colours);
    struct Place {
        TPNGButton** button;
        const char* name;
        int top;
    };
    const Place places[] = {{&pngBtnMakeProject, "pngBtnMakeProject", 8},
                            {&pngBtnRenameProject, "pngBtnRenameProject", 56},
                            {&pngBtnDelProject, "pngBtnDelProject", 104},
                            {&pngBtnToSelectPicture, "pngBtnToSelectPicture", 200}};
    for (const Place& place : places) {
        auto* button = new TPNGButton(panel);
        button->setObjectName(place.name);
        button->setButtonStyle(pbsNoFrame);
        button->setGeometry(3, place.top, 220, 46);
        *place.button = button;
    }
    connect(pngBtnMakeProject, &TPNGButton::clicked, this, &TFormMakeMovie::MakeProject);
    connect(pngBtnRenameProject, &TPNGButton::clicked, this, &TFormMakeMovie::RenameSelectedProject);
    connect(pngBtnDelProject, &TPNGButton::clicked, this, &TFormMakeMovie::DeleteSelectedProject);
    connect(pngBtnToSelectPicture, &TPNGButton::clicked, this, &TFormMakeMovie::OpenSelectedProject);
    layout->addWidget(panel);

    LVProject = new QListView(page);
    LVProject->setObjectName("LVProject");
    LVProject->setViewMode(QListView::IconMode);
    LVProject->setMovement(QListView::Static);
    LVProject->setResizeMode(QListView::Adjust);
    LVProject->setUniformItemSizes(true);
    LVProject->setSelectionMode(QAbstractItemView::SingleSelection);
    LVProject->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVProject->setSpacing(4);
    ProjectModel = new ProjectListModel(this);
    LVProject->setModel(ProjectModel);
    LVProject->setItemDelegate(new ProjectItemDelegate(LVProject));
    // Anywhere in the list, as the open button: on the empty list it asks for a project.
    OnWidgetEvent(LVProject->viewport(), QEvent::MouseButtonDblClick, [this] { OpenSelectedProject(); });
    connect(ProjectModel, &ProjectListModel::progress, this, [this](int loaded, int total) {
        // A range of (0, 0) would make Qt draw a busy bar: one project still gets a plain one.
        ProgressBarStatus->setRange(0, std::max(1, total - 1));
        ProgressBarStatus->setValue(std::min(loaded, ProgressBarStatus->maximum()));
    });
    connect(ProjectModel, &ProjectListModel::finished, this, [this] { ProgressBarStatus->setValue(0); });
    layout->addWidget(LVProject, 1);
    return page;
}

template <std::size_t N>
QWidget* TFormMakeMovie::buildPageWithButtonRow(QWidget*& area, QWidget*& bottom, QWidget*& row,
                                                const RowButton (&buttons)[N], int rowWidth) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    area = new QWidget(page);
    layout->addWidget(area, 1);
    bottom = new QWidget(page);
    bottom->setFixedHeight(70);
    row = new QWidget(bottom);
    for (const RowButton& spec : buttons) {
        auto* button = new TPNGButton(row);
        button->setObjectName(spec.name);
        button->setButtonStyle(pbsNoFrame);
        button->setGeometry(spec.left, 4, 218, 62);
    }
    row->setGeometry(0, 0, rowWidth, 70);
    layout->addWidget(bottom);
    return page;
}

void TFormMakeMovie::showError(const std::exception& error) {
    notice(this, QString::fromUtf8(error.what()));
}

void TFormMakeMovie::FormCreate() {
    try {
        workspace_ = PrepareWorkspace(base_);
        InstallDeliveredData(dataDir_, workspace_);
        PageControl->setCurrentIndex(0);
        if (auto* bar = findChild<QWidget*>("PanelMenu")) {
            QImage background(QString::fromStdString(workspace_.ImgDir + "menuback.png"));
            static_cast<MenuBar*>(bar)->background = background;
        }
        auto actions = std::make_unique<TThActionObjectManager>(workspace_.ConfigDir + "actionList.dat", workspace_.ImgDir);
        CheckCatalogueIsWhole(*actions, workspace_.ConfigDir + "actionList.dat");
        Actions = std::move(actions);
        FillActionList();  // movie: the action page's list
        ScrollBoxPicture->hide();
        PngBtnDocumentClick();  // picture browser: it opens on the documents folder
        created_ = true;
        loadCommandImages();
        SwitchPage(0);
    } catch (const std::exception& error) {
        showError(error);
    }
    Modified = false;
    MarkProjectSaved();
}

void TFormMakeMovie::loadCommandImages() {
    for (TPNGButton* button : findChildren<TPNGButton*>()) {
        const std::string name = button->objectName().toStdString();
        if (name.rfind("pngBtnSelect", 0) == 0 || name == "pngBtnMakeMovie") continue;  // the page switch loads these
        if (name == "pngBtnSaveProject") {
            button->setImageNormal(loadImage(workspace_.ImgDir + "menu05_01.png"));
            continue;
        }
        button->setImageNormal(loadImage(workspace_.ImgDir + name + "_normal.png"));
        button->setImageOver(loadImage(workspace_.ImgDir + name + "_over.png"));
        button->setImageDown(loadImage(workspace_.ImgDir + name + "_down.png"));
    }
}

bool TFormMakeMovie::SwitchPage(int page) {
    if (page < 0 || page > 3) return false;
    if (PageControl->currentIndex() != 0 && page == 0 && HasUnsavedChanges() &&
        !question(this, kChangedLine + QStringLiteral("\r\n続行してよろしいですか？")))
        return false;
    try {
        PageControl->setCurrentIndex(page);
        if (page == 0) RefillProjectList();
        TPNGButton* menu[4] = {pngBtnSelectProject, pngBtnSelectPicture, pngBtnSelectAction, pngBtnMakeMovie};
        for (int i = 0; i < 4; ++i) menu[i]->setImageNormal(loadImage(workspace_.ImgDir + kPageImages[i].normal));
        menu[page]->setImageNormal(loadImage(workspace_.ImgDir + kPageImages[page].active));
        ScrollBoxPicture->setVisible(page == 1 || page == 2);
        for (TPNGButton* button : {pngBtnSelectPicture, pngBtnSelectAction, pngBtnMakeMovie, pngBtnSaveProject})
            button->setEnabled(page != 0);
        pngBtnSelectProject->setEnabled(true);
    } catch (const std::exception& error) {
        showError(error);
        return false;
    }
    return true;
}

void TFormMakeMovie::RefillProjectList() {
    ProjectModel->Refill(workspace_.ProjectRoot);
}

void TFormMakeMovie::Select(int row) {
    LVProject->setCurrentIndex(ProjectModel->index(row));
}

int TFormMakeMovie::SelectedRow() const {
    const QModelIndexList selected = LVProject->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TFormMakeMovie::MakeProject() {
    if (!formProjectName_) return;
    formProjectName_->SetProjectRoot(workspace_.ProjectRoot);
    if (formProjectName_->ShowFor(TFormProjectName::Mode::New, {}) != QDialog::Accepted) return;
    const std::string name = formProjectName_->Name().toStdString();
    const std::string problem = CreateProject(workspace_.ProjectRoot, name);
    RefillProjectList();
    if (!problem.empty()) return showFailure(kCreateFailedMessage, problem);
    // The new project is the one chosen, ready for "open".
    SelectProjectNamed(name);
}

void TFormMakeMovie::RenameSelectedProject() {
    const int row = SelectedRow();
    if (row < 0) return notice(this, QString::fromUtf8(kSelectProjectMessage));
    if (!formProjectName_) return;
    const std::string oldName = ProjectNameOf(ProjectModel->Entry(row));
    formProjectName_->SetProjectRoot(workspace_.ProjectRoot);
    if (formProjectName_->ShowFor(TFormProjectName::Mode::Rename, QString::fromStdString(oldName)) != QDialog::Accepted)
        return;
    const std::string newName = formProjectName_->Name().toStdString();
    const std::string problem = RenameProject(workspace_.ProjectRoot, oldName, newName);
    RefillProjectList();
    if (!problem.empty()) return showFailure(kRenameFailedMessage, problem);
    SelectProjectNamed(newName);
}

void TFormMakeMovie::DeleteSelectedProject() {
    const int row = SelectedRow();
    if (row < 0) return notice(this, QString::fromUtf8(kSelectProjectMessage));
    const std::string name = ProjectNameOf(ProjectModel->Entry(row));
    if (!question(this, QString::fromStdString(name) + QStringLiteral("を削除してもよろしいですか"))) return;
    const std::string problem = DeleteProject(workspace_.ProjectRoot, name);
    RefillProjectList();
    if (!problem.empty()) showFailure(kDeleteFailedMessage, problem);
}

void TFormMakeMovie::SelectProjectNamed(const std::string& name) {
    for (int row = 0; row < ProjectModel->rowCount(); ++row)
        if (ProjectNameOf(ProjectModel->Entry(row)) == name) return Select(row);
}

void TFormMakeMovie::showFailure(const char* message, const std::string& reason) {
    notice(this, QString::fromUtf8(message) + QLatin1Char('\n') + QString::fromStdString(reason));
}

void TFormMakeMovie::OpenSelectedProject() {
    const int row = SelectedRow();
    if (row < 0) return notice(this, QString::fromUtf8(kSelectProjectMessage));
    const std::string entry = ProjectModel->Entry(row);
    // Read whole before anything changes: a project.dat that cannot be read is not opened, its
    // reason is shown and the open project stays as it was. Opening never needs thum.bmp.
    TThPicObjectManager opened;
    try {
        opened.LoadProject(entry);
    } catch (const std::exception& error) {
        return showError(error);
    }
    unsaved_.Discard(Project.ProjectDir);
    Project = std::move(opened);
    RefreshStoryboard();
    // movie: the settings page shows the opened project's settings; loading is no edit.
    AttachSettingsHandlers(false), ShowMovieSettings(), AttachSettingsHandlers(true);
    // The previous project's choice of files is not this one's to add.
    LVAttachFile->clearSelection();
    SwitchPage(1);
    Modified = false;
    MarkProjectSaved();
}

void TFormMakeMovie::FormResize() {
    // Both bottom panels span the page area.
    const int width = PageControl->width();
    for (QWidget* bottom : {PanelSelectPictureBottom, PanelActionBottom}) bottom->setFixedWidth(width);
    for (QWidget* row : {PanelSelectPictureButton, PanelActionButton})
        row->move(PanelActionBottom->width() / 2 - row->width() / 2, row->y());
}

bool TFormMakeMovie::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PageControl && event->type() == QEvent::Resize) FormResize();
    return QWidget::eventFilter(watched, event);
}

void TFormMakeMovie::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (created_ && !event->spontaneous()) RefillProjectList();
}

void TFormMakeMovie::closeEvent(QCloseEvent* event) {
    // An export is ended with its dialog's Cancel, never by closing the window under it.
    if (Exporting()) {
        event->ignore();
        return;
    }
    if (HasUnsavedChanges() && !question(this, kChangedLine + QStringLiteral("\r\n終了してよろしいですか？"))) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace kalidor
