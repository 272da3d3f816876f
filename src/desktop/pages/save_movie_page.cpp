#include "desktop/pages/save_movie_page.h"

#include "model/export_start.h"
#include "model/movie_checks.h"
#include "model/movie_settings.h"
#include "desktop/shared/quiet_write.h"
#include "desktop/shared/widget_events.h"
#include "desktop/shared/window_state.h"
#include "desktop/dialogs/file_dialogs.h"
#include "desktop/dialogs/form_status.h"
#include "desktop/pages/movie_page_export.h"
#include "desktop/preview/movie_preview.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/read_only_look.h"
#include "desktop/shared/translated.h"
#include "desktop_rules/undo_history.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QShowEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <tuple>
#include <utility>

namespace kalidor {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// A file dialog's filter with its label in the interface's language.
QString filterText(FileDialogFilter filter) {
    filter.label = Translated(filter.label).toStdString();
    return qs(FilterText(filter));
}

QGroupBox* group(QWidget* page, const char* name, const QString& caption, QRect place) {
    auto* box = new QGroupBox(caption, page);
    box->setObjectName(name);
    box->setGeometry(place);
    return box;
}

template <class Control>
Control* control(QWidget* parent, const char* name, QRect place) {
    auto* widget = new Control(parent);
    widget->setObjectName(name);
    widget->setGeometry(place);
    return widget;
}

QSpinBox* sizeBox(QWidget* parent, const char* name, QRect place, int value) {
    auto* box = control<QSpinBox>(parent, name, place);
    // No bounds of its own beyond four characters: only the export refuses a size.
    box->setRange(-999, 9999);
    box->setSingleStep(2);
    box->setValue(value);
    return box;
}

// Unchecks all when `which` is none of them: exclusive buttons cannot be unchecked one by one.
void checkOne(std::initializer_list<std::pair<QRadioButton*, bool>> buttons) {
    for (const auto& [button, on] : buttons) button->setAutoExclusive(false);
    for (const auto& [button, on] : buttons) button->setChecked(on);
    for (const auto& [button, on] : buttons) button->setAutoExclusive(true);
}

}  // namespace

TSaveMoviePage::TSaveMoviePage(WindowState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("TabSheetSaveMovie");
    QWidget* page = this;
    GBMovType = group(page, "GBMovType", tr("動画形式"), {24, 16, 430, 56});
    RBMovTypeMP4 = control<QRadioButton>(GBMovType, "RBMovTypeMP4", {16, 24, 100, 22});
    RBMovTypeMPEG = control<QRadioButton>(GBMovType, "RBMovTypeMPEG", {150, 24, 100, 22});
    RBMovTypeAVI = control<QRadioButton>(GBMovType, "RBMovTypeAVI", {284, 24, 100, 22});
    RBMovTypeMP4->setText(QStringLiteral("MP4"));
    RBMovTypeMPEG->setText(QStringLiteral("MPEG"));
    RBMovTypeAVI->setText(QStringLiteral("AVI"));

    GBMovRaito = group(page, "GBMovRaito", tr("動画の比率"), {24, 84, 430, 56});
    RBRaito4_3 = control<QRadioButton>(GBMovRaito, "RBRaito4_3", {16, 24, 100, 22});
    RBRaito16_9 = control<QRadioButton>(GBMovRaito, "RBRaito16_9", {150, 24, 100, 22});
    RBRaito4_3->setText(tr("4：3"));
    RBRaito16_9->setText(tr("16：9"));

    GBMovSize = group(page, "GBMovSize", tr("動画サイズ"), {24, 152, 430, 60});
    LblMovWidth = control<QLabel>(GBMovSize, "LblMovWidth", {16, 26, 40, 22});
    LblMovWidth->setText(tr("幅"));
    SEMovWidth = sizeBox(GBMovSize, "SEMovWidth", {56, 24, 80, 24}, 640);
    SEMovWidth->setAccessibleName(LblMovWidth->text());  // not the group's title, shared by both
    LblMovHeight = control<QLabel>(GBMovSize, "LblMovHeight", {164, 26, 40, 22});
    LblMovHeight->setText(tr("高さ"));
    SEMovHeight = sizeBox(GBMovSize, "SEMovHeight", {204, 24, 80, 24}, 480);
    SEMovHeight->setAccessibleName(LblMovHeight->text());

    GBMovQuality = group(page, "GBMovQuality", tr("動画の画質"), {24, 224, 430, 60});
    CBQuality = control<QComboBox>(GBMovQuality, "CBQuality", {16, 24, 200, 24});
    CBQuality->setAccessibleName(GBMovQuality->title());  // not the item it shows
    for (const char* item : kQualityItems) CBQuality->addItem(Translated(item));
    CBQuality->setCurrentIndex(-1);

    GBMusicConf = group(page, "GBMusicConf", tr("音楽設定"), {480, 16, 446, 92});
    CBUseMusic = control<QCheckBox>(GBMusicConf, "CBUseMusic", {16, 22, 200, 22});
    CBUseMusic->setText(tr("音楽を使用する"));
    EditMusicFilePath = control<QLineEdit>(GBMusicConf, "EditMusicFilePath", {16, 54, 330, 24});
    EditMusicFilePath->setReadOnly(true);
    LookReadOnlyWhenSo(EditMusicFilePath);
    BtnSelectMusicFile = control<QPushButton>(GBMusicConf, "BtnSelectMusicFile", {354, 53, 76, 26});
    BtnSelectMusicFile->setText(tr("参照"));
    BtnSelectMusicFile->setAutoDefault(true);  // Enter presses it, as Space does

    GBSaveConf = group(page, "GBSaveConf", tr("保存場所"), {480, 120, 446, 146});
    EditSaveFilePath = control<QLineEdit>(GBSaveConf, "EditSaveFilePath", {16, 24, 330, 24});
    EditSaveFilePath->setReadOnly(true);
    LookReadOnlyWhenSo(EditSaveFilePath);
    BtnSelectSaveDir = control<QPushButton>(GBSaveConf, "BtnSelectSaveDir", {354, 23, 76, 26});
    BtnSelectSaveDir->setText(tr("参照"));
    BtnSelectSaveDir->setAutoDefault(true);

    pngBtnMakeMov = control<TPNGButton>(GBSaveConf, "pngBtnMakeMov", {114, 66, 218, 62});
    pngBtnMakeMov->setButtonStyle(pbsNoFrame);
    // What its image reads.
    pngBtnMakeMov->setAccessibleName(QCoreApplication::translate("Buttons", QT_TRANSLATE_NOOP("Buttons", "動画を作成")));

    Preview = new TMoviePreview(state_, page);

    OpenDialogMusicFile = ChooseFileToOpen;
    SaveDialogMov = ChooseFileToSave;

    // Handlers that stay attached: the quality list reports only the user's choices, and a
    // click into a path box counts as a settings change.
    connect(CBQuality, &QComboBox::activated, this, &TSaveMoviePage::MovChoiceChange);
    for (QLineEdit* edit : {EditMusicFilePath, EditSaveFilePath})
        OnWidgetEvent(edit, QEvent::MouseButtonRelease, [this] { MovConfigChange(); });
    connect(BtnSelectMusicFile, &QPushButton::clicked, this, &TSaveMoviePage::BtnSelectMusicFileClick);
    connect(BtnSelectSaveDir, &QPushButton::clicked, this, &TSaveMoviePage::BtnSelectSaveDirClick);
    connect(pngBtnMakeMov, &TPNGButton::clicked, this, &TSaveMoviePage::pngBtnMakeMovClick);
    // A size typed digit by digit is raised to even once its box is left or Enter is pressed;
    // a box merely visited changes nothing.
    connect(SEMovWidth, &QSpinBox::editingFinished, this, [this] {
        if (std::exchange(sizeTyped_[0], false)) coupleSizes(true, false);
    });
    connect(SEMovHeight, &QSpinBox::editingFinished, this, [this] {
        if (std::exchange(sizeTyped_[1], false)) coupleSizes(false, false);
    });
    ShowMovieSettings();
    AttachSettingsHandlers(true);
}

void TSaveMoviePage::AttachSettingsHandlers(bool attach) {
    for (const QMetaObject::Connection& connection : settingsHandlers_) disconnect(connection);
    settingsHandlers_.clear();
    if (!attach) return;
    for (QRadioButton* button : {RBMovTypeMP4, RBMovTypeMPEG, RBMovTypeAVI})
        settingsHandlers_.push_back(connect(button, &QRadioButton::clicked, this, &TSaveMoviePage::MovChoiceChange));
    for (QRadioButton* button : {RBRaito4_3, RBRaito16_9})
        settingsHandlers_.push_back(connect(button, &QRadioButton::clicked, this, &TSaveMoviePage::RBRaitoClick));
    settingsHandlers_.push_back(connect(SEMovWidth, &QSpinBox::valueChanged, this, &TSaveMoviePage::SEMovWidthChange));
    settingsHandlers_.push_back(connect(SEMovHeight, &QSpinBox::valueChanged, this, &TSaveMoviePage::SEMovHeightChange));
    settingsHandlers_.push_back(connect(CBUseMusic, &QCheckBox::clicked, this, &TSaveMoviePage::MovConfigChange));
    for (QLineEdit* edit : {EditMusicFilePath, EditSaveFilePath})
        settingsHandlers_.push_back(connect(edit, &QLineEdit::textChanged, this, &TSaveMoviePage::MovConfigChange));
}

namespace {

MovieSettingsPage pageOf(const TSaveMoviePage& w) {
    MovieSettingsPage page;
    page.format = w.RBMovTypeMP4->isChecked()    ? MovieFormatButton::MP4
                  : w.RBMovTypeMPEG->isChecked() ? MovieFormatButton::MPEG
                  : w.RBMovTypeAVI->isChecked()  ? MovieFormatButton::AVI
                                                 : MovieFormatButton::None;
    page.ratio16_9 = !w.RBRaito4_3->isChecked();
    page.width = w.SEMovWidth->value();
    page.height = w.SEMovHeight->value();
    page.qualityIndex = w.CBQuality->currentIndex();
    page.useMusic = w.CBUseMusic->isChecked();
    page.musicFilePath = w.EditMusicFilePath->text().toStdString();
    page.saveFilePath = w.EditSaveFilePath->text().toStdString();
    return page;
}

}  // namespace

void TSaveMoviePage::ShowMovieSettings() {
    WriteQuietly({SEMovWidth, SEMovHeight, CBUseMusic, EditMusicFilePath, EditSaveFilePath, CBQuality},
                 [this] { showMovieSettings(); });
}

void TSaveMoviePage::ShowProject() {
    // What was typed into a size box is gone with the project it was typed into.
    sizeTyped_[0] = sizeTyped_[1] = false;
    typingInto_.clear();
    ShowMovieSettings();
    if (isVisible()) Preview->Refresh();
}

void TSaveMoviePage::showMovieSettings() {
    MovieSettingsPage page = pageOf(*this);
    kalidor::ShowMovieSettings(state_.Project, page);
    checkOne({{RBMovTypeMP4, page.format == MovieFormatButton::MP4},
              {RBMovTypeMPEG, page.format == MovieFormatButton::MPEG},
              {RBMovTypeAVI, page.format == MovieFormatButton::AVI}});
    CBQuality->setCurrentIndex(page.qualityIndex);
    checkOne({{RBRaito4_3, !page.ratio16_9}, {RBRaito16_9, page.ratio16_9}});
    SEMovWidth->setValue(page.width);
    SEMovHeight->setValue(page.height);
    CBUseMusic->setChecked(page.useMusic);
    EditMusicFilePath->setText(qs(page.musicFilePath));
    const bool music = page.MusicControlsEnabled();
    EditMusicFilePath->setEnabled(music);
    BtnSelectMusicFile->setEnabled(music);
    QPalette colours = EditMusicFilePath->palette();
    colours.setColor(QPalette::Base, palette().color(music ? QPalette::Base : QPalette::Button));
    EditMusicFilePath->setPalette(colours);
    EditSaveFilePath->setText(qs(page.saveFilePath));
}

void TSaveMoviePage::StoreMovieSettings() {
    MovieSettingsPage page = pageOf(*this);
    kalidor::StoreMovieSettings(page, state_.Project);
    // The path box shows the extension the project now holds.
    ShowMoviePath(page.saveFilePath);
}

void TSaveMoviePage::MovConfigChange() {
    // A size typed digit by digit is one step; the project is marked whatever changed.
    settingsEdit({.mergeKey = std::exchange(typingInto_, std::string()), .marksUnchanged = true});
}

void TSaveMoviePage::MovChoiceChange() { settingsEdit({}); }

void TSaveMoviePage::settingsEdit(const EditOptions& options) {
    bool changed = false;
    if (!state_.Edit(rules::kStepMovieSettings, [&] { changed = passSettingsThroughProject(); }, options))
        return ShowMovieSettings();  // refused: the controls show the project again
    if (changed && isVisible()) Preview->Refresh();
}

void TSaveMoviePage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Edits made on the other pages show from here on.
    Preview->Refresh();
    // The page opens with the keyboard on the player: a key changes a setting only once the
    // user has put the focus on it.
    if (!event->spontaneous()) Preview->setFocus(Qt::OtherFocusReason);
}

void TSaveMoviePage::hideEvent(QHideEvent* event) {
    Preview->Pause();
    QWidget::hideEvent(event);
}

void TSaveMoviePage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The lower half of the page, below the settings.
    Preview->setGeometry(24, 296, std::max(width() - 48, 100), std::max(height() - 296 - 8, 60));
}

bool TSaveMoviePage::passSettingsThroughProject() {
    const auto settings = [](const TThPicObjectManager& p) {
        return std::tuple(p.MovType, p.MovQuality, p.MovWidth, p.MovHeight, p.MovRatio, p.UseMusic, p.MusicFilePath,
                          p.SaveFilePath);
    };
    const auto before = settings(state_.Project);
    StoreMovieSettings();
    ShowMovieSettings();
    return settings(state_.Project) != before;
}

void TSaveMoviePage::SEMovWidthChange() {
    sizeTyped_[0] = SEMovWidth->hasFocus();
    coupleSizes(true, sizeTyped_[0]);
}

void TSaveMoviePage::SEMovHeightChange() {
    sizeTyped_[1] = SEMovHeight->hasFocus();
    coupleSizes(false, sizeTyped_[1]);
}

void TSaveMoviePage::RBRaitoClick() {
    // The ratio already chosen: the sizes stay as they are, whatever they are.
    if (RBRaito16_9->isChecked() == (state_.Project.MovRatio != 0)) return;
    coupleSizes(true, false);
}

void TSaveMoviePage::coupleSizes(bool widthLeads, bool typing) {
    if (typing) typingInto_ = widthLeads ? "SEMovWidth" : "SEMovHeight";
    WriteQuietly({SEMovWidth, SEMovHeight}, [&] {
        MovieSettingsPage page = pageOf(*this);
        widthLeads ? CoupleHeightToWidth(page) : CoupleWidthToHeight(page);
        // While the user types into a box, its digits stay as typed (a 3 on its way to 320 must
        // not turn into 4); the other box follows at once.
        if (!(typing && widthLeads)) SEMovWidth->setValue(page.width);
        if (!(typing && !widthLeads)) SEMovHeight->setValue(page.height);
    });
    MovConfigChange();
}

void TSaveMoviePage::BtnSelectMusicFileClick() {
    // Refused before the dialog while another edit holds the project, as the time dialog is.
    if (state_.EditsHeld()) return;
    const QString name = OpenDialogMusicFile(this, filterText(MusicFileFilter()));
    if (!name.isEmpty()) EditMusicFilePath->setText(name);
}

void TSaveMoviePage::BtnSelectSaveDirClick() {
    if (state_.EditsHeld()) return;
    if (const auto filter = MovieFileFilter(state_.Project.MovType)) movieFilter_ = filterText(*filter);
    const QString name = SaveDialogMov(this, movieFilter_);
    if (name.isEmpty()) return;
    EditSaveFilePath->setText(qs(ChosenMovieFileName(name.toStdString(), state_.Project.MovType)));
}

TFormStatus* TSaveMoviePage::StatusForm() {
    if (!formStatus_) formStatus_ = new TFormStatus(window());
    return formStatus_;
}

bool TSaveMoviePage::Exporting() const { return movieExport_ && movieExport_->Running(); }

void TSaveMoviePage::pngBtnMakeMovClick() {
    // Nor while pictures are being added: the movie would be of a storyboard half made.
    if (Exporting() || state_.EditsHeld()) return;
    Preview->Pause();  // the export wants every core
    TThPicObjectManager& project = state_.Project;
    const MovieSettingsPage page = pageOf(*this);
    const ExportStartCheck check = CheckExportStart(page, project);
    if (check.refusal) return state_.notice(window(), Translated(*check.refusal));
    // Display times that cannot be rendered are the user's to fix, like the size.
    if (const auto problem = MovieLengthProblem(project)) return state_.notice(window(), Translated(*problem));
    if (check.overwriteQuestion && !state_.question(window(), Translated(*check.overwriteQuestion))) return;
    MakeMovieFolder(page.saveFilePath);
    StoreMovieSettings();

    QWidget* mainWindow = window();
    TFormStatus* status = StatusForm();
    status->BeginExport(MovieFolderOf(project.SaveFilePath));
    status->resize(status->width(), status->minimumHeight());
    status->move(mainWindow->geometry().center() - status->rect().center());
    if (!movieExport_) {
        movieExport_ = new MovieExport(this);
        connect(status, &TFormStatus::closed, this, [this, mainWindow] {
            mainWindow->setEnabled(true);
            mainWindow->raise();
            mainWindow->activateWindow();
            // The focus the disabled window lost goes back where the user had it.
            if (focusBeforeExport_) focusBeforeExport_->setFocus(Qt::OtherFocusReason);
        });
    }
    focusBeforeExport_ = mainWindow->focusWidget();
    // Disabling the window disables its dialogs too; the progress dialog must stay usable.
    mainWindow->setEnabled(false);
    status->setEnabled(true);
    status->show();
    movieExport_->Start(project, *status, [this] { OutputDone(); });
}

void TSaveMoviePage::OutputDone() {
    FinishExport(state_.Project.ProjectDir, *StatusForm(), movieExport_->Flags);
}

MovieSettingsPage TSaveMoviePage::Settings() const { return pageOf(*this); }

void TSaveMoviePage::ShowMoviePath(const std::string& path) {
    // The program's own write is no edit.
    WriteQuietly({EditSaveFilePath}, [&] { EditSaveFilePath->setText(qs(path)); });
}

}  // namespace kalidor
