#include "desktop/dialogs/form_status.h"

#include "desktop/dialogs/folder_launcher.h"
#include "desktop_rules/dialog_rules.h"
#include "desktop/shared/translated.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace kalidor {

namespace {
constexpr int kWidth = 400;
constexpr int kHeight = 90;
}  // namespace

TFormStatus::TFormStatus(QWidget* parent) : QDialog(parent) {
    setObjectName("FormStatus");
    setWindowTitle(tr("状況"));
    // No close box and no system menu: the result is left only through Close.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);
    setFixedWidth(kWidth);
    setMinimumHeight(kHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    ProgressBarStatus = new QProgressBar(this);
    ProgressBarStatus->setObjectName("ProgressBarStatus");
    ProgressBarStatus->setAccessibleName(tr("動画作成の進み具合"));
    ProgressBarStatus->setRange(0, 100);
    ProgressBarStatus->setValue(0);
    ProgressBarStatus->setTextVisible(false);
    ProgressBarStatus->setFixedHeight(16);
    layout->addWidget(ProgressBarStatus);
    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName("LabelStatus");
    LabelStatus->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // A failure's reason can be long: it wraps, and the dialog grows to hold it.
    LabelStatus->setWordWrap(true);
    LabelStatus->setFixedWidth(kWidth - 16);
    layout->addWidget(LabelStatus, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    BtnCancel = new QPushButton(tr("キャンセル"), this);
    BtnCancel->setObjectName("BtnCancel");
    BtnOpenDir = new QPushButton(tr("保存先を開く"), this);
    BtnOpenDir->setObjectName("BtnOpenDir");
    BtnClose = new QPushButton(tr("閉じる"), this);
    BtnClose->setObjectName("BtnClose");
    for (QPushButton* button : {BtnCancel, BtnOpenDir, BtnClose}) row->addWidget(button);
    row->addStretch(1);
    layout->addLayout(row);
    // Enter presses the button with the focus, as Space does: Close, which has it when the export
    // ends, closes the finished dialog.
    BtnClose->setDefault(true);
    setTabOrder(BtnCancel, BtnOpenDir);
    setTabOrder(BtnOpenDir, BtnClose);

    connect(BtnCancel, &QPushButton::clicked, this, &TFormStatus::BtnCancelClick);
    connect(BtnOpenDir, &QPushButton::clicked, this, &TFormStatus::BtnOpenDirClick);
    connect(BtnClose, &QPushButton::clicked, this, &TFormStatus::BtnCloseClick);
    openFolder = [this](const QString& folder, std::function<void(const QString&)> failed) {
        OpenFolderInFileBrowser(this, folder, std::move(failed));
    };

    ShowStatusText({}, false);
    resize(kWidth, kHeight);
}

void TFormStatus::SetFinished(bool finished) {
    BtnClose->setEnabled(finished);
    BtnCancel->setEnabled(!finished);
    if (finished) BtnClose->setFocus();
}

void TFormStatus::CancelClosed() { BtnCancel->setEnabled(false); }

void TFormStatus::SetOpenFolderEnabled(bool enabled) { BtnOpenDir->setEnabled(enabled); }

void TFormStatus::ShowFailureDetail(const std::string& message) {
    LabelStatus->setText(QString::fromStdString(StatusLabel() + "\n" + message));
    adjustSize();
}

void TFormStatus::ProgressChanged(int minimum, int maximum, int position) {
    ProgressBarStatus->setRange(minimum, maximum);
    ProgressBarStatus->setValue(position);
}

std::string TFormStatus::Translate(const Message& message) const { return Translated(message).toStdString(); }

void TFormStatus::StatusLabelChanged(const std::string& label) { LabelStatus->setText(QString::fromStdString(label)); }

void TFormStatus::showEvent(QShowEvent* event) {
    SetCancelled(false);
    QDialog::showEvent(event);
}

TFormStatus::~TFormStatus() { releaseHeld(); }

void TFormStatus::BtnCancelClick() {
    asking_ = true;
    const bool yes = question(this, Translated(kCancelQuestion));
    asking_ = false;
    if (yes) SetCancelled(true);
    releaseHeld();
}

bool TFormStatus::HoldUntilAnswered(std::function<void()> release) {
    if (!asking_) return false;
    held_.push_back(std::move(release));
    emit movieHeld();
    return true;
}

void TFormStatus::releaseHeld() {
    for (const auto& release : std::exchange(held_, {})) release();
}

void TFormStatus::BtnOpenDirClick() {
    const QString folder = QString::fromStdString(SaveFolder());
    // Whatever keeps the folder from opening, nothing happening at all would leave the user
    // looking: they are told where the movie is.
    openFolder(folder, [this, folder](const QString& reason) {
        notice(this, Translated(rules::kFolderNotOpened) + QLatin1Char('\n') + reason + QStringLiteral(": ") + folder);
    });
}

void TFormStatus::BtnCloseClick() {
    closing_ = true;
    close();
    closing_ = false;
    emit closed();
}

void TFormStatus::closeEvent(QCloseEvent* event) {
    // The user closes it with Close only; the program quitting (a termination signal) may.
    if (closing_ || !event->spontaneous())
        event->accept();
    else
        event->ignore();
}

// Escape does what the button it stands for does: Close once finished, the cancel question while
// the export runs.
void TFormStatus::reject() {
    if (BtnClose->isEnabled()) BtnCloseClick();
    else if (BtnCancel->isEnabled() && !asking_) BtnCancelClick();
}

}  // namespace kalidor
