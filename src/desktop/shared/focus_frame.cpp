#include "desktop/shared/focus_frame.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>

namespace kalidor {
namespace {

// Lies over the whole view, above its viewport (which scrolls its own children), and lets every
// click through.
class FocusFrame : public QWidget {
public:
    explicit FocusFrame(QAbstractScrollArea* view) : QWidget(view), view_(view) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::FocusIn || type == QEvent::FocusOut || type == QEvent::Resize) {
            setGeometry(view_->rect());
            raise();
            setVisible(view_->hasFocus());
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }

private:
    QAbstractScrollArea* view_;
};

}  // namespace

void FrameWhileFocused(QAbstractScrollArea* view) { new FocusFrame(view); }

}  // namespace kalidor
