#pragma once
// TPNGButton: a push button that paints one of its PNG images (normal, pressed, mouse over, and
// a dimmed copy of the normal image while disabled), optionally with a caption, and reports
// clicks. Where the image and caption stand is worked out by plan(), apart from painting, so
// it can be checked without pixels. It takes the focus by Tab only (a click leaves the focus where
// it is), shows a frame while focused, and is pressed with Space or Enter as by a click. Screen
// readers see a push button named by its accessible name, else its caption.

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace kalidor {

enum TPNGButtonLayout { pbsImageAbove = 0, pbsImageBellow = 1, pbsImageLeft = 2, pbsImageRight = 3 };
enum TPNGButtonStyle { pbsDefault = 0, pbsFlat = 1, pbsNoFrame = 2 };

class TPNGButton : public QWidget {
    Q_OBJECT
public:
    enum class State { Up = 0, Down = 1, Disabled = 2 };
    enum class Shown { Normal, Down, Over, Disabled };
    enum class Frame { None, PushButton, PushButtonPressed, Sunken, Raised };

    struct PaintPlan {
        Shown image = Shown::Normal;
        QPoint imagePos;
        QPoint textPos;
        Frame frame = Frame::None;
    };

    explicit TPNGButton(QWidget* parent = nullptr);

    void setImageNormal(const QImage& image);  // also remakes the disabled image
    void setImageDown(const QImage& image);
    void setImageOver(const QImage& image);
    void setCaption(const QString& caption);
    void setButtonLayout(TPNGButtonLayout layout);
    void setButtonStyle(TPNGButtonStyle style);

    const QImage& imageNormal() const { return imageNormal_; }
    const QImage& disabledImage() const { return disabled_; }
    State state() const { return state_; }
    bool mouseOver() const { return over_; }

    PaintPlan plan() const;

    // What a click does: clicked(), when enabled. The keys and screen readers press through here.
    void click();
    const QString& caption() const { return caption_; }

    // ImageNormal at a third of its opacity; a palette image is copied as it is.
    static QImage MakeDisabledImage(const QImage& normal);

signals:
    void clicked();
    void mouseEntered();
    void mouseExited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const QImage& shownImage(Shown shown) const;

    QImage imageNormal_;
    QImage imageDown_;
    QImage imageOver_;
    QImage disabled_;
    QString caption_;
    TPNGButtonLayout layout_ = pbsImageAbove;
    TPNGButtonStyle style_ = pbsDefault;
    State state_ = State::Up;
    bool over_ = false;
    bool keyDown_ = false;  // Space held: shown pressed, clicked on release
};

}  // namespace kalidor
