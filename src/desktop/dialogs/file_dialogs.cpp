#include "desktop/dialogs/file_dialogs.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>

namespace kalidor {
namespace {

QString choose(QWidget* parent, const QString& filter, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, {}, {}, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(880, 540);
    // The name takes the room left by the other columns, which fit their texts; the places list
    // shows whole folder names.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"))) splitter->setSizes({200, 680});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString ChooseFileToOpen(QWidget* parent, const QString& filter) { return choose(parent, filter, QFileDialog::AcceptOpen); }

QString ChooseFileToSave(QWidget* parent, const QString& filter) { return choose(parent, filter, QFileDialog::AcceptSave); }

}  // namespace kalidor
