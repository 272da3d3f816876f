#pragma once
// TFormTimeConfig: the display-time dialog, "03" to "12" seconds. Made once at start-up and
// reused; modal over the main window.

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace kalidor {

class TFormTimeConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFormTimeConfig(QWidget* parent = nullptr);

    // Shows the dialog for a display time and returns Accepted (OK) or Rejected (Cancel). The
    // chosen time is written to `seconds` with either result; the caller keeps it only after OK.
    // A time no item offers opens with no item selected and comes back unchanged unless the
    // user picks one.
    int Execute(int& seconds);

    QLabel* LblTime = nullptr;
    QComboBox* CBTime = nullptr;
    QLabel* LblSec = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow
};

}  // namespace kalidor
