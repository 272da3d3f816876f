#pragma once
// TEditMenu: the right-click menu of the storyboard and of the pages' free space. It offers
// 元に戻す and やり直し with their keys and the step each would take back or make again
// ("元に戻す: 画像の削除"), so that undo can be found without knowing Ctrl+Z; an entry with
// nothing to do, or while edits are held (pictures being added, an export), is greyed.

#include <QMenu>

namespace kalidor {

namespace rules {
class UndoHistory;
}

class TEditMenu : public QMenu {
    Q_OBJECT
public:
    explicit TEditMenu(QWidget* parent);

    // Shows the menu at a place on the screen, written from the history as it stands.
    void PopupAt(const QPoint& globalPos, const rules::UndoHistory& history, bool editsAllowed);

    QAction* ActionUndo = nullptr;
    QAction* ActionRedo = nullptr;
};

}  // namespace kalidor
