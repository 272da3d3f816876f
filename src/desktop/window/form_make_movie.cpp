#include "desktop/window/form_make_movie.h"

#include "desktop/browser/picture_browser.h"
#include "desktop/dialogs/form_project_name.h"
#include "desktop/pages/save_movie_page.h"
#include "desktop/pages/select_action_page.h"
#include "desktop/pages/select_picture_page.h"
#include "desktop/pages/select_project_page.h"
#include "desktop/preview/movie_preview.h"
#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/interface_image.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/translated.h"
#include "desktop/storyboard/storyboard_strip.h"
#include "desktop/window/edit_menu.h"
#include "desktop/window/recovery_keeper.h"
#include "model/project_list.h"
#include "model/save_command.h"
#include "render/movie_frames.h"
#include "platform/error.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
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


// An interface image of the workspace, in the interface's language where it carries words.
QImage loadImage(const Workspace& workspace, const std::string& name) {
    const std::string path = InterfaceImagePath(workspace, name, InterfaceLanguageShown());
    QImage image = LoadInterfaceImage(path, InterfaceScale());
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

}  // namespace

TFormMakeMovie::TFormMakeMovie(std::string base, std::string dataDir, QWidget* parent, std::string recoveryHome)
    : QWidget(parent), base_(std::move(base)), dataDir_(std::move(dataDir)) {
    workspace_ = WorkspaceAt(base_);
    if (!base_.empty() && base_.back() != '/') base_ += '/';
    Recovery = new RecoveryKeeper(*this, recoveryHome.empty() ? base_ + "state/kalidor/" : recoveryHome, this);
    edited = [this] { Recovery->Changed(); };
    Recovery->unprotected = [this](const QString& problem) { ShowRecoveryProblem(problem); };
    // A logout may end the process soon after asking: the copy is on disk before it answers.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { Recovery->KeepNow(); });
    // A window to a screen reader, as a dialog is; a plain widget would be a filler.
    SpeakAs(this, QAccessible::Window);
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
    ProgressBarStatus = new QProgressBar(this);
    ProgressBarStatus->setFixedHeight(19);
    ProgressBarStatus->setAccessibleName(tr("進み具合"));
    ProgressBarStatus->setTextVisible(false);
    ScrollBoxPicture = new TStoryboardStrip(*this, ProgressBarStatus, this);
    ScrollBoxPicture->hide();
    TabSheetSelectProject = new TSelectProjectPage(*this, ProgressBarStatus);
    TabSheetSelectPicture = new TSelectPicturePage(*this, *ScrollBoxPicture, ProgressBarStatus);
    TabSheetSelectAction = new TSelectActionPage(*this, *ScrollBoxPicture);
    TabSheetSaveMovie = new TSaveMoviePage(*this);
    for (QWidget* page : std::initializer_list<QWidget*>{TabSheetSelectProject, TabSheetSelectPicture,
                                                          TabSheetSelectAction, TabSheetSaveMovie})
        PageControl->addWidget(page);
    TabSheetSelectAction->OrderTabs();
    PageControl->installEventFilter(this);
    layout->addWidget(PageControl, 1);
    layout->addWidget(ScrollBoxPicture);
    LabelRecoveryWarning = new QLabel(this);
    LabelRecoveryWarning->setObjectName("LabelRecoveryWarning");
    LabelRecoveryWarning->setWordWrap(true);
    LabelRecoveryWarning->setMargin(4);
    LabelRecoveryWarning->setStyleSheet(QStringLiteral("background: #fff1b8; color: black;"));
    LabelRecoveryWarning->hide();
    layout->addWidget(LabelRecoveryWarning);
    layout->addWidget(ProgressBarStatus);

    TabSheetSelectProject->opened = [this](TThPicObjectManager project) { OpenProject(std::move(project)); };
    ScrollBoxPicture->dropAction = [this](int index, const QMimeData* data) {
        TabSheetSelectAction->DropActionOnPanel(index, data);
    };
    // While pictures are being added, the project may not be left nor saved, nor made into a movie.
    connect(ScrollBoxPicture, &TStoryboardStrip::addingChanged, this, [this](bool adding) {
        if (auto* menu = findChild<QWidget*>("PanelMenu")) menu->setEnabled(!adding);
        TabSheetSaveMovie->setEnabled(!adding);
    });
    connect(pngBtnSaveProject, &TPNGButton::clicked, this, &TFormMakeMovie::pngBtnSaveProjectClick);
    // Undo and redo from every page. A text box with typing of its own to undo or redo takes the
    // keys first (see eventFilter).
    auto* undo = new QShortcut(QKeySequence::Undo, this, this, &TFormMakeMovie::UndoEdit);
    undo->setObjectName("ShortcutUndo");
    auto* redo = new QShortcut(this);
    redo->setObjectName("ShortcutRedo");
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (!redoKeys.contains(key)) redoKeys << key;
    redo->setKeys(redoKeys);
    connect(redo, &QShortcut::activated, this, &TFormMakeMovie::RedoEdit);
    MenuEdit = new TEditMenu(this);
    connect(MenuEdit->ActionUndo, &QAction::triggered, this, &TFormMakeMovie::UndoEdit);
    connect(MenuEdit->ActionRedo, &QAction::triggered, this, &TFormMakeMovie::RedoEdit);
    qApp->installEventFilter(this);
    // A double-clicked panel's picture is shown in the movie page's preview, from its first frame;
    // not while pictures are being added, as the menu's way there is greyed then.
    connect(ScrollBoxPicture, &TStoryboardStrip::panelDoubleClicked, this, [this](int index) {
        if (EditsHeld() || index < 0 || index >= Project.Count() || !SwitchPage(3)) return;
        TabSheetSaveMovie->Preview->Seek(FirstFrameOfPicture(Project, index));
    });
}

TFormMakeMovie::~TFormMakeMovie() {
    // Before the copies of the unsaved edits go from the project folder, the recovery copy has them.
    Recovery->KeepNow();
    // The pages and the strip use the open project, which goes before the widgets would.
    delete PageControl;
    delete ScrollBoxPicture;
    if (Recovery->MayDropPictureCopies()) DiscardUnsavedChanges();
}

void TFormMakeMovie::ShowRecoveryProblem(const QString& problem) {
    LabelRecoveryWarning->setText(
        problem.isEmpty() ? QString()
                          : tr("保存されていない変更の控えを書き込めないため、異常終了すると変更が失われます。"
                               "プロジェクトを保存してください。") +
                                QLatin1Char('\n') + problem);
    LabelRecoveryWarning->setVisible(!problem.isEmpty());
}

void TFormMakeMovie::SetProjectNameForm(TFormProjectName* form) { TabSheetSelectProject->SetProjectNameForm(form); }

void TFormMakeMovie::SetStoryDialogs(TFormTimeConfig* timeConfig, TFormFontConfig* fontConfig) {
    ScrollBoxPicture->SetStoryDialogs(timeConfig, fontConfig);
}

void TFormMakeMovie::SetStatusForm(TFormStatus* form) { TabSheetSaveMovie->SetStatusForm(form); }

void TFormMakeMovie::buildMenuBar(QWidget* bar) {
    struct Place {
        TPNGButton** button;
        const char* name;
        int left, width;
        const char* text;  // what its image reads
        QKeySequence key;  // presses it from anywhere in the window
        bool page;
    };
    const Place places[] = {
        {&pngBtnSelectProject, "pngBtnSelectProject", 8, 192, QT_TRANSLATE_NOOP("Buttons", "プロジェクト選択"),
         Qt::ALT | Qt::Key_1, true},
        {&pngBtnSelectPicture, "pngBtnSelectPicture", 218, 137, QT_TRANSLATE_NOOP("Buttons", "画像選択"),
         Qt::ALT | Qt::Key_2, true},
        {&pngBtnSelectAction, "pngBtnSelectAction", 372, 180, QT_TRANSLATE_NOOP("Buttons", "アクション選択"),
         Qt::ALT | Qt::Key_3, true},
        {&pngBtnMakeMovie, "pngBtnMakeMovie", 570, 137, QT_TRANSLATE_NOOP("Buttons", "動画保存"), Qt::ALT | Qt::Key_4, true},
        {&pngBtnSaveProject, "pngBtnSaveProject", 724, 137, QT_TRANSLATE_NOOP("Buttons", "プロジェクト保存"),
         Qt::CTRL | Qt::Key_S, false},
    };
    // To a screen reader the page buttons are the tabs of the pages, the current one selected.
    SpeakAs(bar, QAccessible::PageTabList);
    for (const Place& place : places) {
        auto* button = new TPNGButton(bar);
        button->setObjectName(place.name);
        if (place.page) SpeakAs(button, QAccessible::PageTab);
        const QString text = QCoreApplication::translate("Buttons", place.text);
        button->setAccessibleName(text);
        button->setToolTip(text + QStringLiteral(" (") + place.key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
        SpeakShortcut(button, place.key);
        // The key is the button's click: refused where a click is (a disabled button, a question
        // declined), the same on every page, in a text box too.
        auto* shortcut = new QShortcut(place.key, this, button, &TPNGButton::click);
        shortcut->setObjectName(QStringLiteral("Shortcut_") + place.name);
        button->setButtonStyle(pbsNoFrame);
        button->setGeometry(place.left, 5, place.width, 55);
        *place.button = button;
    }
    connect(pngBtnSelectProject, &TPNGButton::clicked, this, [this] { SwitchPage(0); });
    connect(pngBtnSelectPicture, &TPNGButton::clicked, this, [this] { SwitchPage(1); });
    connect(pngBtnSelectAction, &TPNGButton::clicked, this, [this] { SwitchPage(2); });
    connect(pngBtnMakeMovie, &TPNGButton::clicked, this, [this] { SwitchPage(3); });
    // Ctrl+Q closes the window as its close box does, with the same question.
    auto* quit = new QShortcut(Qt::CTRL | Qt::Key_Q, this, this, &QWidget::close);
    quit->setObjectName("ShortcutQuit");
}

void TFormMakeMovie::showError(const std::exception& error) {
    notice(this, Translated(error));
}

void TFormMakeMovie::FormCreate() {
    try {
        workspace_ = PrepareWorkspace(base_);
        InstallDeliveredData(dataDir_, workspace_);
        PageControl->setCurrentIndex(0);
        if (auto* bar = findChild<QWidget*>("PanelMenu")) {
            QImage background = LoadInterfaceImage(workspace_.ImgDir + "menuback.png", InterfaceScale());
            static_cast<MenuBar*>(bar)->background = background;
        }
        auto actions = std::make_unique<TThActionObjectManager>(
            workspace_.ConfigDir + "actionList.dat",
            [this](const std::string& file) { return InterfaceImagePath(workspace_, file, InterfaceLanguageShown()); });
        CheckCatalogueIsWhole(*actions, workspace_.ConfigDir + "actionList.dat");
        Actions = std::move(actions);
        TabSheetSelectAction->FillActionList();
        ScrollBoxPicture->hide();
        TabSheetSelectPicture->PanelSelectPictureArea->PngBtnDocumentClick();  // the browser opens on the documents folder
        created_ = true;
        loadCommandImages();
        SwitchPage(0);
        // The keyboard starts in the project list, where the first choice is made.
        TabSheetSelectProject->LVProject->setFocus(Qt::OtherFocusReason);
    } catch (const std::exception& error) {
        showError(error);
        if (!created_) TabSheetSelectProject->ShowWorkspaceProblem();
    }
    ProjectOpened();
}

void TFormMakeMovie::loadCommandImages() {
    for (TPNGButton* button : findChildren<TPNGButton*>()) {
        const std::string name = button->objectName().toStdString();
        if (name.rfind("pngBtnSelect", 0) == 0 || name == "pngBtnMakeMovie") continue;  // the page switch loads these
        if (name == "pngBtnSaveProject") {
            button->setImageNormal(loadImage(workspace_, "menu05_01.png"));
            continue;
        }
        button->setImageNormal(loadImage(workspace_, name + "_normal.png"));
        button->setImageOver(loadImage(workspace_, name + "_over.png"));
        button->setImageDown(loadImage(workspace_, name + "_down.png"));
    }
}

bool TFormMakeMovie::SwitchPage(int page) {
    if (page < 0 || page > 3) return false;
    const bool leaving = PageControl->currentIndex() != 0 && page == 0;
    if (leaving && HasUnsavedChanges() &&
        !discardQuestion(this, tr("現在、開いているプロジェクトは変更されています。\r\n続行してよろしいですか？")))
        return false;
    // Left, the project is closed: its edits go, and nothing of it is kept or written any more.
    if (leaving) replaceProject({});
    try {
        PageControl->setCurrentIndex(page);
        if (page == 0) TabSheetSelectProject->RefillProjectList();
        TPNGButton* menu[4] = {pngBtnSelectProject, pngBtnSelectPicture, pngBtnSelectAction, pngBtnMakeMovie};
        for (int i = 0; i < 4; ++i) menu[i]->setImageNormal(loadImage(workspace_, kPageImages[i].normal));
        menu[page]->setImageNormal(loadImage(workspace_, kPageImages[page].active));
        for (int i = 0; i < 4; ++i) SpeakSelected(menu[i], i == page);
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

void TFormMakeMovie::OpenProject(TThPicObjectManager project) {
    RemoveLeftoverFrames(project.ProjectDir);
    replaceProject(std::move(project));
    // The previous project's choice of files is not this one's to add.
    TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->clearSelection();
    SwitchPage(1);
}

void TFormMakeMovie::replaceProject(TThPicObjectManager project) {
    Recovery->Discarded();
    DiscardUnsavedChanges();
    Project = std::move(project);
    ScrollBoxPicture->RefreshStoryboard();
    TabSheetSaveMovie->ShowProject();
    ProjectOpened();
}

void TFormMakeMovie::UndoEdit() {
    if (EditsHeld() || !isEnabled()) return;
    if (const rules::ProjectState* state = History.Undo()) putBack(*state);
}

void TFormMakeMovie::RedoEdit() {
    if (EditsHeld() || !isEnabled()) return;
    if (const rules::ProjectState* state = History.Redo()) putBack(*state);
}

void TFormMakeMovie::putBack(const rules::ProjectState& state) {
    rules::RestoreState(Project, state);
    // Rewriting the pages may take the focus from where the user had it; it goes back there.
    const QPointer<QWidget> focused = focusWidget();
    // Every page shows the project as it now is, the selection of the step included; writing
    // the controls is no edit.
    ScrollBoxPicture->RefreshStoryboard();
    TabSheetSaveMovie->ShowProject();
    if (focused && focused->isVisible() && focused->isEnabled()) focused->setFocus(Qt::OtherFocusReason);
    // Back where it was saved, the project is unchanged unless something else changed it.
    Modified = !History.AtClean() || DiffersFromSaved();
    Recovery->Changed();
}

void TFormMakeMovie::pngBtnSaveProjectClick() {
    if (!question(this, Translated(kSaveQuestion))) return;
    // Disabling the window takes the focus from it: it goes back where the user had it, not to
    // the first control that takes it (on the movie page, a setting the arrow keys would change).
    const QPointer<QWidget> focused = focusWidget();
    setEnabled(false);
    MovieSettingsPage page = TabSheetSaveMovie->Settings();
    // Copies an undo or a redo may still bring back stay.
    const SaveCommandResult result = SaveProjectCommand(page, Project, Modified, History.PicturePaths());
    if (result.saved) {
        MarkProjectSaved();
        History.MarkClean();
        Recovery->Discarded();
        // Kept for the history only: they go with it, when the project is closed.
        for (const std::string& path : result.kept) PictureCopyMade(path);
    }
    TabSheetSaveMovie->ShowMoviePath(page.saveFilePath);
    // Saved or not, the window is usable again afterwards; a failure keeps Modified set.
    notice(this, Translated(result.message));
    setEnabled(true);
    if (focused) focused->setFocus(Qt::OtherFocusReason);
}

void TFormMakeMovie::FormResize() {
    // Both bottom strips span the page area.
    const int width = PageControl->width();
    TabSheetSelectPicture->CentreButtonRow(width);
    TabSheetSelectAction->CentreButtonRow(width);
}

bool TFormMakeMovie::eventFilter(QObject* watched, QEvent* event) {
    // One sequence for Ctrl+Z: typing goes into the project's history as it happens, so the text
    // boxes of this window keep no undo of their own. The keys are never theirs, and their
    // right-click menus leave out their own undo and redo.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool undoOrRedo = key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
                                key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (undoOrRedo && widget && widget->window() == this) return true;  // not accepted: the window's shortcut goes on
    }
    if (event->type() == QEvent::Show)
        if (auto* menu = qobject_cast<QMenu*>(watched); menu && qobject_cast<QLineEdit*>(menu->parentWidget()) &&
                                                         menu->parentWidget()->window() == this) {
            // The box's own entries, known by the words it gives them (a shortcut may follow a tab):
            // Qt's texts in Qt's translations, not the program's.
            const char* const qtOwn = "QLineEdit";
            const QString own[] = {QCoreApplication::translate(qtOwn, "&Undo"), QCoreApplication::translate(qtOwn, "&Redo")};
            for (QAction* action : menu->actions())
                if (std::ranges::find(own, action->text().section(QLatin1Char('\t'), 0, 0)) != std::end(own))
                    action->setVisible(false);
        }
    // A right-click reaches the strip or a page when no control on the way took it (a text box
    // has a menu of its own).
    if (event->type() == QEvent::ContextMenu && offersEditMenu(watched)) {
        MenuEdit->PopupAt(static_cast<QContextMenuEvent*>(event)->globalPos(), History, isEnabled() && !EditsHeld());
        event->accept();
        return true;
    }
    if (watched == PageControl && event->type() == QEvent::Resize) FormResize();
    return QWidget::eventFilter(watched, event);
}

bool TFormMakeMovie::offersEditMenu(QObject* watched) const {
    return watched == ScrollBoxPicture || (watched->isWidgetType() && watched->parent() == PageControl);
}

void TFormMakeMovie::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (created_ && !event->spontaneous()) TabSheetSelectProject->RefillProjectList();
}

void TFormMakeMovie::closeEvent(QCloseEvent* event) {
    // An export is ended with its dialog's Cancel, never by closing the window under it.
    if (TabSheetSaveMovie->Exporting()) {
        event->ignore();
        return;
    }
    if (HasUnsavedChanges()) {
        if (!discardQuestion(this, tr("現在、開いているプロジェクトは変更されています。\r\n終了してよろしいですか？"))) {
            event->ignore();
            return;
        }
        Recovery->Ended();
    }
    event->accept();
}

}  // namespace kalidor
