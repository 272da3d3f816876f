#include "desktop/dialogs/form_time_config.h"

#include "desktop_rules/dialog_rules.h"
#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/translated.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace kalidor {

TFormTimeConfig::TFormTimeConfig(QWidget* parent) : QDialog(parent) {
    setObjectName("FormTimeConfig");
    // A fixed dialog frame without caption-bar buttons: OK or Cancel closes it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(Translated(rules::kTimeDialogCaption));
    setFixedSize(189, 84);

    LblTime = new QLabel(tr("切替時間"), this);
    LblTime->setObjectName("LblTime");
    LblTime->move(8, 16);
    CBTime = new QComboBox(this);
    CBTime->setObjectName("CBTime");
    NameByLabel(CBTime, LblTime);
    CBTime->setGeometry(61, 12, 49, CBTime->sizeHint().height());
    for (const std::string& item : rules::TimeItems()) CBTime->addItem(QString::fromStdString(item));
    CBTime->setCurrentIndex(0);
    LblSec = new QLabel(tr("秒"), this);
    LblSec->setObjectName("LblSec");
    LblSec->move(115, 16);

    BtnOK = new QPushButton(Translated(rules::kOkButtonText), this);
    BtnOK->setObjectName("BtnOK");
    BtnOK->setGeometry(17, 46, 75, 25);
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(Translated(rules::kCancelButtonText), this);
    BtnCancel->setObjectName("BtnCancel");
    BtnCancel->setGeometry(97, 46, 75, 25);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TFormTimeConfig::Execute(int& seconds) {
    CBTime->setCurrentIndex(rules::TimeItemIndex(seconds));
    const int result = exec();
    seconds = rules::SecondsOfTimeItem(CBTime->currentIndex(), seconds);
    return result;
}

void TFormTimeConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CBTime->setFocus();
}

}  // namespace kalidor
