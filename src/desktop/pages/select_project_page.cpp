#include "desktop/pages/select_project_page.h"

#include "desktop/dialogs/form_project_name.h"
#include "desktop/pages/project_item_delegate.h"
#include "desktop/pages/project_list_model.h"
#include "desktop/shared/focus_frame.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/scale_watch.h"
#include "desktop/shared/translated.h"
#include "desktop/shared/widget_events.h"
#include "desktop/shared/window_state.h"
#include "model/pic_object.h"
#include "model/project_list.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QShortcut>
#include <QtMath>

#include <algorithm>

namespace kalidor {

TSelectProjectPage::TSelectProjectPage(WindowState& state, QProgressBar* progress, QWidget* parent)
    : QWidget(parent), state_(state) {
    setObjectName("TabSheetSelectProject");
    QWidget* page = this;
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
        const char* text;  // what its image reads
    };
    const Place places[] = {{&pngBtnMakeProject, "pngBtnMakeProject", 8, QT_TRANSLATE_NOOP("Buttons", "新規作成")},
                            {&pngBtnRenameProject, "pngBtnRenameProject", 56, QT_TRANSLATE_NOOP("Buttons", "名前の変更")},
                            {&pngBtnDelProject, "pngBtnDelProject", 104, QT_TRANSLATE_NOOP("Buttons", "削除")},
                            {&pngBtnToSelectPicture, "pngBtnToSelectPicture", 200, QT_TRANSLATE_NOOP("Buttons", "開く")}};
    for (const Place& place : places) {
        auto* button = new TPNGButton(panel);
        button->setObjectName(place.name);
        button->setAccessibleName(QCoreApplication::translate("Buttons", place.text));
        button->setButtonStyle(pbsNoFrame);
        button->setGeometry(3, place.top, 220, 46);
        *place.button = button;
    }
    connect(pngBtnMakeProject, &TPNGButton::clicked, this, &TSelectProjectPage::MakeProject);
    connect(pngBtnRenameProject, &TPNGButton::clicked, this, &TSelectProjectPage::RenameSelectedProject);
    connect(pngBtnDelProject, &TPNGButton::clicked, this, &TSelectProjectPage::DeleteSelectedProject);
    connect(pngBtnToSelectPicture, &TPNGButton::clicked, this, &TSelectProjectPage::OpenSelectedProject);
    layout->addWidget(panel);

    LVProject = new QListView(page);
    LVProject->setObjectName("LVProject");
    LVProject->setAccessibleName(tr("プロジェクト一覧"));
    FrameWhileFocused(LVProject);
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
    // On a screen of another scale the thumbnails are made again for it; the choice stays.
    OnScaleChange(LVProject, [this] {
        const int row = SelectedRow();
        const std::string chosen = row >= 0 ? ProjectModel->Entry(row) : std::string();
        RefillProjectList();
        for (int r = 0; r < ProjectModel->rowCount(); ++r)
            if (!chosen.empty() && ProjectModel->Entry(r) == chosen) Select(r);
    });
    // Anywhere in the list, as the open button: on the empty list it asks for a project.
    OnWidgetEvent(LVProject->viewport(), QEvent::MouseButtonDblClick, [this] { OpenSelectedProject(); });
    // Enter opens the project the keyboard stands on, chosen or not yet.
    const auto openCurrent = [this] {
        if (SelectedRow() < 0 && LVProject->currentIndex().isValid()) Select(LVProject->currentIndex().row());
        OpenSelectedProject();
    };
    for (int key : {Qt::Key_Return, Qt::Key_Enter})
        new QShortcut(QKeySequence(key), LVProject, this, openCurrent, Qt::WidgetShortcut);
    connect(ProjectModel, &ProjectListModel::progress, this, [progress](int loaded, int total) {
        // A range of (0, 0) would make Qt draw a busy bar: one project still gets a plain one.
        progress->setRange(0, std::max(1, total - 1));
        progress->setValue(std::min(loaded, progress->maximum()));
    });
    connect(ProjectModel, &ProjectListModel::finished, this, [progress] { progress->setValue(0); });
    layout->addWidget(LVProject, 1);
    // A first start shows the way in where the projects would be.
    auto* hint = LabelFirstSteps = new QLabel(Translated(kFirstStepsHint), LVProject->viewport());
    hint->setObjectName("LabelFirstSteps");
    hint->move(16, 16);
    hint->adjustSize();
    // A screen reader hears it as the empty list's description: the list's items hide the label.
    const auto showHint = [this, hint] {
        const bool empty = ProjectModel->rowCount() == 0;
        hint->setVisible(empty);
        const QString description = empty ? hint->text() : QString();
        if (LVProject->accessibleDescription() != description) LVProject->setAccessibleDescription(description);
    };
    connect(ProjectModel, &QAbstractItemModel::modelReset, hint, showHint);
    connect(ProjectModel, &QAbstractItemModel::rowsInserted, hint, showHint);
    connect(ProjectModel, &QAbstractItemModel::rowsRemoved, hint, showHint);
    showHint();
}


void TSelectProjectPage::RefillProjectList() {
    ProjectModel->SetScale(std::max(1, qCeil(LVProject->devicePixelRatioF())));
    ProjectModel->Refill(state_.ProjectRoot());
}

void TSelectProjectPage::ShowWorkspaceProblem() {
    LabelFirstSteps->setText(Translated(kWorkspaceProblemHint));
    LabelFirstSteps->adjustSize();
    if (ProjectModel->rowCount() == 0) LVProject->setAccessibleDescription(LabelFirstSteps->text());
}

void TSelectProjectPage::Select(int row) {
    LVProject->setCurrentIndex(ProjectModel->index(row));
}

int TSelectProjectPage::SelectedRow() const {
    const QModelIndexList selected = LVProject->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TSelectProjectPage::MakeProject() {
    if (!formProjectName_) return;
    formProjectName_->SetProjectRoot(state_.ProjectRoot());
    if (formProjectName_->ShowFor(TFormProjectName::Mode::New, {}) != QDialog::Accepted) return;
    const std::string name = formProjectName_->Name().toStdString();
    // A new project's thumbnail reads "no pictures" in the interface's language.
    const Workspace folders{state_.ProjectRoot(), state_.ConfigDir(), state_.ImgDir()};
    const std::string problem =
        CreateProject(state_.ProjectRoot(), name, EmptyProjectThumbnail(folders, InterfaceLanguageShown()));
    RefillProjectList();
    if (!problem.empty()) return showFailure(kCreateFailedMessage, problem);
    // The new project is the one chosen, ready for "open", and the keyboard stands on it: Enter
    // opens it.
    SelectProjectNamed(name);
    LVProject->setFocus(Qt::OtherFocusReason);
}

void TSelectProjectPage::RenameSelectedProject() {
    const int row = SelectedRow();
    if (row < 0) return state_.notice(window(), Translated(kSelectProjectMessage));
    if (!formProjectName_) return;
    const std::string oldName = ProjectNameOf(ProjectModel->Entry(row));
    formProjectName_->SetProjectRoot(state_.ProjectRoot());
    if (formProjectName_->ShowFor(TFormProjectName::Mode::Rename, QString::fromStdString(oldName)) != QDialog::Accepted)
        return;
    const std::string newName = formProjectName_->Name().toStdString();
    const std::string problem = RenameProject(state_.ProjectRoot(), oldName, newName);
    RefillProjectList();
    if (!problem.empty()) return showFailure(kRenameFailedMessage, problem);
    SelectProjectNamed(newName);
}

void TSelectProjectPage::DeleteSelectedProject() {
    const int row = SelectedRow();
    if (row < 0) return state_.notice(window(), Translated(kSelectProjectMessage));
    const std::string name = ProjectNameOf(ProjectModel->Entry(row));
    if (!state_.question(window(), tr("%1を削除してもよろしいですか").arg(QString::fromStdString(name)))) return;
    const std::string problem = DeleteProject(state_.ProjectRoot(), name);
    RefillProjectList();
    if (!problem.empty()) showFailure(kDeleteFailedMessage, problem);
}

void TSelectProjectPage::SelectProjectNamed(const std::string& name) {
    for (int row = 0; row < ProjectModel->rowCount(); ++row)
        if (ProjectNameOf(ProjectModel->Entry(row)) == name) return Select(row);
}

void TSelectProjectPage::showFailure(const char* message, const std::string& reason) {
    state_.notice(window(), Translated(message) + QLatin1Char('\n') + QString::fromStdString(reason));
}

void TSelectProjectPage::OpenSelectedProject() {
    const int row = SelectedRow();
    if (row < 0) return state_.notice(window(), Translated(kSelectProjectMessage));
    // Read whole before anything changes: a project.dat that cannot be read is not opened, its
    // reason is shown and the open project stays as it was. Opening never needs thum.bmp.
    TThPicObjectManager project;
    try {
        project.LoadProject(ProjectModel->Entry(row));
    } catch (const std::exception& error) {
        return state_.notice(window(), Translated(error));
    }
    if (opened) opened(std::move(project));
}

}  // namespace kalidor
