#pragma once
// TFormProjectName: asks for a project's name when one is made or renamed, and keeps the
// dialog open until the name passes the checks of the project list.

#include "desktop/shared/message_boxes.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kalidor {

class TFormProjectName : public QDialog {
    Q_OBJECT
public:
    enum class Mode { New, Rename };

    explicit TFormProjectName(QWidget* parent = nullptr);

    void SetProjectRoot(const std::string& projectRoot) { projectRoot_ = projectRoot; }
    // Sets captions and the edit for the mode; ShowFor also runs the dialog and returns its result.
    void Prepare(Mode mode, const QString& currentName);
    int ShowFor(Mode mode, const QString& currentName);
    QString Name() const;

    QLineEdit* EditProjectName = nullptr;
    QPushButton* BtnMake = nullptr;
    QPushButton* BtnCancel = nullptr;
    NoticeFn notice = ShowNotice;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BtnMakeClick();
    void BtnCancelClick();

    std::string projectRoot_;
    bool mayClose_ = false;
};

}  // namespace kalidor
