#include "desktop/shared/message_boxes.h"

#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/translated.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kalidor {

void ShowNotice(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), PlainLines(text), QMessageBox::Ok, parent);
    box.exec();
}

bool AskQuestion(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, Translated(QT_TRANSLATE_NOOP("Messages", "確認")), PlainLines(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

namespace {

bool askWithDefault(QWidget* parent, const QString& text, QMessageBox::StandardButton byDefault) {
    QMessageBox box(QMessageBox::Question, Translated(QT_TRANSLATE_NOOP("Messages", "確認")), PlainLines(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(byDefault);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

bool AskToDiscard(QWidget* parent, const QString& text) { return askWithDefault(parent, text, QMessageBox::No); }

bool AskQuestionYesFirst(QWidget* parent, const QString& text) {
    return askWithDefault(parent, text, QMessageBox::Yes);
}

RecoveryAnswer AskToRestore(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, Translated(QT_TRANSLATE_NOOP("Messages", "確認")), PlainLines(text),
                    QMessageBox::NoButton, parent);
    QPushButton* restore = box.addButton(Translated(kRestoreButton), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(Translated(kDiscardButton), QMessageBox::DestructiveRole);
    QPushButton* later = box.addButton(Translated(kLaterButton), QMessageBox::RejectRole);
    box.setDefaultButton(restore);
    // Esc and the close box answer "later": dismissing the box throws nothing away.
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == restore) return RecoveryAnswer::Restore;
    if (box.clickedButton() == discard) return RecoveryAnswer::Discard;
    return RecoveryAnswer::Later;
}

}  // namespace kalidor
