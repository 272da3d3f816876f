#pragma once
// The action page's draggable controls: the list of action names and the description image.
// Both drag the number of the chosen catalogue entry, the list as kActionListMime and the image
// as kActionPreviewMime, so that a storyboard panel knows an action came.

#include <QLabel>
#include <QListWidget>
#include <QPoint>

namespace kalidor {

// Item data role holding the catalogue index of a list item's entry.
inline constexpr int kActionNumberRole = Qt::UserRole + 1;
// The entry's name in the catalogue, which the item shows translated.
inline constexpr int kActionNameRole = Qt::UserRole + 2;

class ActionListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;

protected:
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    // Copies only: a move (Shift held over the drop) would take the name out of the list.
    void startDrag(Qt::DropActions supportedActions) override;
};

class ActionPreviewImage : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The number its drag carries: the entry whose description it shows; -1 drags nothing.
    int actionNumber = -1;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPoint pressAt_;
    bool pressed_ = false;
};

}  // namespace kalidor
