#pragma once
// TSaveMoviePage: page 3 of the main window ("TabSheetSaveMovie"): the open project's movie
// settings (format, ratio, size, quality, music, the movie's path), kept in the project at every
// change, "動画を作成", which checks them and runs the export with its progress dialog, and
// below them the preview of the movie, which follows the project whenever the page shows.

#include "model/movie_settings.h"

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kalidor {

class MovieExport;
class TMoviePreview;
class TFormStatus;
class TPNGButton;
class WindowState;
struct EditOptions;

class TSaveMoviePage : public QWidget {
    Q_OBJECT
public:
    TSaveMoviePage(WindowState& state, QWidget* parent = nullptr);

    // The export's progress dialog.
    void SetStatusForm(TFormStatus* form) { formStatus_ = form; }
    TFormStatus* StatusForm();

    // Writes the project's settings into the controls; the program's own write, no edit.
    void ShowMovieSettings();
    // The project changed under the page (opened, an undo or a redo): the controls show it, no
    // size counts as being typed, and a shown preview follows.
    void ShowProject();
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

    // What the controls hold, for the save command, and the movie path it stored shown back.
    MovieSettingsPage Settings() const;
    void ShowMoviePath(const std::string& path);

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
    // The lower half: the movie as it will be made.
    TMoviePreview* Preview = nullptr;
    // The two file dialogs: given the filter, the chosen name or an empty text when cancelled.
    // Tests replace them.
    std::function<QString(QWidget* parent, const QString& filter)> OpenDialogMusicFile;
    std::function<QString(QWidget* parent, const QString& filter)> SaveDialogMov;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Stores the page into the project and shows it back; true when a setting changed.
    bool passSettingsThroughProject();
    void showMovieSettings();
    // A settings change made by the user, through the window's one door for edits.
    void settingsEdit(const EditOptions& options);

    WindowState& state_;
    TFormStatus* formStatus_ = nullptr;
    MovieExport* movieExport_ = nullptr;  // the export in progress (a child, so it goes with the page)
    QPointer<QWidget> focusBeforeExport_;  // where the keys went before the window was disabled
    QString movieFilter_;
    std::vector<QMetaObject::Connection> settingsHandlers_;
    bool sizeTyped_[2] = {false, false};  // width, height typed into since they were last coupled
    std::string typingInto_;  // the size box being typed into, for the edit this change makes
};

}  // namespace kalidor
