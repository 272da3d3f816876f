#pragma once
// TFormStatus: the progress dialog of an export. Created at start-up; its contents come with
// the export.

#include <QDialog>

namespace kalidor {

class TFormStatus : public QDialog {
    Q_OBJECT
public:
    explicit TFormStatus(QWidget* parent = nullptr) : QDialog(parent) { setWindowTitle(QStringLiteral("Kalidor")); }
};

}  // namespace kalidor
