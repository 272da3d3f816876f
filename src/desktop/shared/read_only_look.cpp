#include "desktop/shared/read_only_look.h"

#include "desktop/shared/widget_events.h"

#include <QApplication>
#include <QLineEdit>

namespace kalidor {
namespace {

void showReadOnly(QLineEdit* edit) {
    QPalette colours = edit->palette();
    const QPalette usual = QApplication::palette(edit);
    colours.setBrush(QPalette::Base, edit->isReadOnly() ? usual.window() : usual.base());
    edit->setPalette(colours);
}

}  // namespace

void LookReadOnlyWhenSo(QLineEdit* edit) {
    showReadOnly(edit);
    OnWidgetEvent(edit, QEvent::ReadOnlyChange, [edit] { showReadOnly(edit); });
}

}  // namespace kalidor
