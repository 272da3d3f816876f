#pragma once
// TFormTimeConfig: the display-time dialog. Created at start-up; its controls come with the
// storyboard editing.

#include <QDialog>

namespace kalidor {

class TFormTimeConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFormTimeConfig(QWidget* parent = nullptr) : QDialog(parent) {
        setWindowTitle(QStringLiteral("時間設定"));
        setFixedSize(189, 84);
    }
};

}  // namespace kalidor
