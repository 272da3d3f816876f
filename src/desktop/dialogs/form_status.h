#pragma once
// TFormStatus: the progress dialog of an export. One for the whole run; the export prepares it
// (BeginExport), the render thread's steps move its bar and label, and the end of the thread
// shows the result. Only its Close button closes it: then closed() gives the main window back.

#include "render/export_status.h"
#include "desktop/shared/message_boxes.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kalidor {

class TFormStatus : public QDialog, public ExportStatus {
    Q_OBJECT
public:
    explicit TFormStatus(QWidget* parent = nullptr);
    ~TFormStatus() override;

    void SetFinished(bool finished) override;
    void CancelClosed() override;
    void SetOpenFolderEnabled(bool enabled) override;
    void ShowFailureDetail(const std::string& message) override;
    // Through the translators installed in the application.
    std::string Translate(const Message& message) const override;
    // While the cancel question is open the export may go on, but its new movie waits for the
    // answer.
    bool HoldUntilAnswered(std::function<void()> release) override;

    void BtnCancelClick();
    void BtnOpenDirClick();
    void BtnCloseClick();

    QProgressBar* ProgressBarStatus = nullptr;
    QLabel* LabelStatus = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnOpenDir = nullptr;
    QPushButton* BtnClose = nullptr;

    QuestionFn question = AskQuestion;
    NoticeFn notice = ShowNotice;
    // Opens a folder in the desktop's file browser without waiting; calls `failed` with the
    // reason when it could not (OpenFolderInFileBrowser). Tests replace it.
    std::function<void(const QString& folder, std::function<void(const QString& reason)> failed)> openFolder;

signals:
    void closed();
    // The export has made its movie and waits for the answer to the cancel question.
    void movieHeld();

protected:
    void ProgressChanged(int minimum, int maximum, int position) override;
    void StatusLabelChanged(const std::string& label) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void releaseHeld();

    bool closing_ = false;
    bool asking_ = false;                    // the cancel question is open
    std::vector<std::function<void()>> held_;  // what waits for its answer
};

}  // namespace kalidor
