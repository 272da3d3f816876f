#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace kalidor {
namespace {

QString choose(QWidget* parent, const QString& filter, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, {}, {}, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(860, 520);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString ChooseFileToOpen(QWidget* parent, const QString& filter) { return choose(parent, filter, QFileDialog::AcceptOpen); }

QString ChooseFileToSave(QWidget* parent, const QString& filter) { return choose(parent, filter, QFileDialog::AcceptSave); }

}  // namespace kalidor
