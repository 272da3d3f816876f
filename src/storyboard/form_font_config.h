#pragma once
// TFormFontConfig: the caption font dialog. Created at start-up; its controls come with the
// storyboard editing.

#include <QDialog>

namespace kalidor {

class TFormFontConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFormFontConfig(QWidget* parent = nullptr) : QDialog(parent) {
        setWindowTitle(QStringLiteral("フォント設定"));
        setFixedSize(286, 266);
    }
};

}  // namespace kalidor
