#include "desktop/window/edit_menu.h"

#include "desktop_rules/undo_history.h"
#include "desktop/shared/translated.h"

#include <QKeySequence>

namespace kalidor {
namespace {

// The entry, then its key in the menu's column of keys; both words in the interface's language.
QString entryText(const char* entry, const std::optional<std::string>& step, const QKeySequence& key) {
    const std::string translatedEntry = Translated(entry).toStdString();
    const std::optional<std::string> translatedStep =
        step ? std::optional(Translated(*step).toStdString()) : std::nullopt;
    return QString::fromStdString(rules::EntryWithStep(translatedEntry.c_str(), translatedStep)) + QLatin1Char('\t') +
           key.toString(QKeySequence::NativeText);
}

}  // namespace

TEditMenu::TEditMenu(QWidget* parent) : QMenu(parent) {
    setObjectName("MenuEdit");
    ActionUndo = addAction(QString());
    ActionUndo->setObjectName("ActionUndo");
    ActionRedo = addAction(QString());
    ActionRedo->setObjectName("ActionRedo");
}

void TEditMenu::PopupAt(const QPoint& globalPos, const rules::UndoHistory& history, bool editsAllowed) {
    // The keys are the window's shortcuts; the menu only names them.
    ActionUndo->setText(entryText(rules::kUndoEntry, history.UndoLabel(), QKeySequence(QKeySequence::Undo)));
    ActionRedo->setText(entryText(rules::kRedoEntry, history.RedoLabel(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    ActionUndo->setEnabled(editsAllowed && history.CanUndo());
    ActionRedo->setEnabled(editsAllowed && history.CanRedo());
    popup(globalPos);
}

}  // namespace kalidor
