#include "desktop/dialogs/form_project_name.h"

#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/translated.h"
#include "model/project_list.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kalidor {

TFormProjectName::TFormProjectName(QWidget* parent) : QDialog(parent) {
    setFixedSize(228, 102);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* label = new QLabel(tr("プロジェクト名"), this);
    label->move(25, 16);
    EditProjectName = new QLineEdit(this);
    EditProjectName->setGeometry(25, 32, 177, 21);
    NameByLabel(EditProjectName, label);
    BtnMake = new QPushButton(this);
    BtnMake->setGeometry(36, 64, 75, 25);
    BtnMake->setDefault(true);
    BtnCancel = new QPushButton(tr("キャンセル"), this);
    BtnCancel->setGeometry(116, 64, 75, 25);
    connect(BtnMake, &QPushButton::clicked, this, &TFormProjectName::BtnMakeClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormProjectName::BtnCancelClick);
}

void TFormProjectName::Prepare(Mode mode, const QString& currentName) {
    const bool make = mode == Mode::New;
    setWindowTitle(make ? tr("プロジェクト新規作成") : tr("プロジェクト名変更"));
    BtnMake->setText(make ? tr("作成") : tr("変更"));
    EditProjectName->setText(make ? QString() : currentName);
    mayClose_ = false;
}

int TFormProjectName::ShowFor(Mode mode, const QString& currentName) {
    Prepare(mode, currentName);
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    return exec();
}

QString TFormProjectName::Name() const { return EditProjectName->text(); }

void TFormProjectName::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    EditProjectName->setFocus();
}

void TFormProjectName::BtnMakeClick() {
    mayClose_ = false;
    const Message message = CheckProjectName(Name().toStdString(), projectRoot_);
    if (!message.empty()) {
        notice(this, Translated(message));
        return;
    }
    mayClose_ = true;
    accept();
}

void TFormProjectName::BtnCancelClick() {
    mayClose_ = true;
    reject();
}

void TFormProjectName::closeEvent(QCloseEvent* event) {
    // The window's close box has been removed; Escape and closing from outside count as Cancel.
    mayClose_ = true;
    QDialog::closeEvent(event);
    event->accept();
}

}  // namespace kalidor
