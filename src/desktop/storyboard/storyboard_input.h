#pragma once
// The mouse, key and drag-and-drop input of the storyboard strip: clicks on the panels' controls
// (and Space or Enter on a focused one), drags of a panel's picture, drops on a panel or on the
// empty strip. The controls carry their panel's index and their role as properties
// (story_panel.h); this filter reads them and calls the window's handlers, so the panel widgets
// stay plain Qt controls.

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>

class QMimeData;
class QWheelEvent;
class QWidget;

namespace kalidor {

class StoryboardInput : public QObject {
public:
    struct Handlers {
        std::function<void(int index)> select;      // a click on a panel, its thumbnail, number or icons
        std::function<void(int index)> doubleClick; // the same double-clicked (after its first click)
        std::function<void(int index)> timeClick;   // a click on the time icon or label
        std::function<void()> stripClick;           // a click on the empty strip
        // index -1 is the empty strip.
        std::function<bool(int index, const QMimeData* data)> acceptsDrop;
        std::function<void(int index, const QMimeData* data)> drop;
        // The mouse wheel over the strip; true when it was used.
        std::function<bool(QWheelEvent* event)> wheel;
    };

    explicit StoryboardInput(Handlers handlers, QObject* parent = nullptr);

    // A panel control: its role decides what it does (rules::kPanelControls).
    void WatchPanelControl(QWidget* control);
    // The strip's content and the viewport around it.
    void WatchStrip(QWidget* strip);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool panelEvent(QWidget* control, QEvent* event);
    bool stripEvent(QEvent* event);
    void startDrag(QWidget* control, int index);

    Handlers handlers_;
    QPointer<QWidget> pressed_;
    QPoint pressAt_;
    bool dragged_ = false;
    bool secondClick_ = false;  // the press was a double click's second
};

}  // namespace kalidor
