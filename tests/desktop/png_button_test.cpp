#include "desktop/shared/action_pixmap.h"
#include "desktop/shared/interface_image.h"
#include "desktop/shared/png_button.h"
#include "desktop/ui_test_support.h"

#include <QDir>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QtTest>

using kalidor::TPNGButton;
using Shown = TPNGButton::Shown;
using Frame = TPNGButton::Frame;

Q_DECLARE_METATYPE(Shown)
Q_DECLARE_METATYPE(Frame)

class PngButtonTest : public QObject {
    Q_OBJECT
private slots:
    void paintChoices_data();
    void paintChoices();
    void layoutsWithCaption();
    void disabledImageIsAThirdOpaque();
    void sharpOnDenseScreens();
};

// Events, one letter each: e enter, l leave, m move inside, p press, r release, d disable,
// a enable; keys: s Space pressed and released, S Space held, k Enter.
void PngButtonTest::paintChoices_data() {
    QTest::addColumn<QString>("events");
    QTest::addColumn<bool>("hasDown");
    QTest::addColumn<bool>("hasOver");
    QTest::addColumn<int>("style");
    QTest::addColumn<Shown>("shown");
    QTest::addColumn<QPoint>("imagePos");
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<int>("clicks");
    const QPoint still(30, 20), shifted(32, 22);
    QTest::newRow("normal") << "" << true << true << 2 << Shown::Normal << still << Frame::None << 0;
    QTest::newRow("over") << "e" << true << true << 2 << Shown::Over << still << Frame::None << 0;
    QTest::newRow("pressed") << "ep" << true << true << 2 << Shown::Down << shifted << Frame::None << 0;
    QTest::newRow("released") << "epr" << true << true << 2 << Shown::Over << still << Frame::None << 1;
    QTest::newRow("moved over") << "m" << true << true << 2 << Shown::Over << still << Frame::None << 0;
    QTest::newRow("moved while held") << "pm" << true << true << 2 << Shown::Normal << still << Frame::None << 0;
    QTest::newRow("left") << "el" << true << true << 2 << Shown::Normal << still << Frame::None << 0;
    QTest::newRow("pressed, no down image") << "ep" << false << true << 2 << Shown::Over << shifted << Frame::None << 0;
    QTest::newRow("pressed, no down or over") << "ep" << false << false << 2 << Shown::Normal << shifted << Frame::None << 0;
    QTest::newRow("held without the mouse over") << "p" << true << true << 2 << Shown::Normal << still << Frame::None << 0;
    QTest::newRow("disabled") << "d" << true << true << 2 << Shown::Disabled << still << Frame::None << 0;
    QTest::newRow("disabled ignores entering") << "de" << true << true << 2 << Shown::Disabled << still << Frame::None << 0;
    QTest::newRow("enabled again") << "dae" << true << true << 2 << Shown::Over << still << Frame::None << 0;
    QTest::newRow("default face") << "" << true << true << 0 << Shown::Normal << still << Frame::PushButton << 0;
    QTest::newRow("default face pressed") << "ep" << true << true << 0 << Shown::Down << shifted << Frame::PushButtonPressed << 0;
    QTest::newRow("flat") << "" << true << true << 1 << Shown::Normal << still << Frame::None << 0;
    QTest::newRow("flat over") << "e" << true << true << 1 << Shown::Over << still << Frame::Raised << 0;
    QTest::newRow("flat pressed") << "ep" << true << true << 1 << Shown::Down << shifted << Frame::Sunken << 0;
    QTest::newRow("flat held, mouse away") << "p" << true << true << 1 << Shown::Normal << still << Frame::Raised << 0;
    QTest::newRow("flat disabled") << "ed" << true << true << 1 << Shown::Disabled << still << Frame::None << 0;
    QTest::newRow("space") << "s" << true << true << 2 << Shown::Normal << still << Frame::None << 1;
    QTest::newRow("space held") << "S" << true << true << 2 << Shown::Down << shifted << Frame::None << 0;
    QTest::newRow("enter") << "kk" << true << true << 2 << Shown::Normal << still << Frame::None << 2;
    QTest::newRow("keys while disabled") << "dskS" << true << true << 2 << Shown::Disabled << still << Frame::None << 0;
}

void PngButtonTest::paintChoices() {
    QFETCH(QString, events);
    QFETCH(bool, hasDown);
    QFETCH(bool, hasOver);
    QFETCH(int, style);
    QWidget window;
    auto* button = new TPNGButton(&window);
    button->setGeometry(0, 0, 100, 60);
    button->setButtonStyle(static_cast<kalidor::TPNGButtonStyle>(style));
    button->setImageNormal(kalidor::uitest::solidImage(40, 20, Qt::red));
    if (hasDown) button->setImageDown(kalidor::uitest::solidImage(40, 20, Qt::green));
    if (hasOver) button->setImageOver(kalidor::uitest::solidImage(40, 20, Qt::blue));
    QSignalSpy clicks(button, &TPNGButton::clicked);
    for (QChar event : events) {
        if (event == 'e') {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QCoreApplication::sendEvent(button, &enter);
        } else if (event == 'l') {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(button, &leave);
        } else if (event == 'm') {
            QMouseEvent move(QEvent::MouseMove, QPointF(99, 60), QPointF(99, 60), QPointF(99, 60), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(button, &move);  // the bottom edge row still counts as inside
        } else if (event == 'p') {
            QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        } else if (event == 'r') {
            QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
        } else if (event == 's' || event == 'S' || event == 'k') {
            const Qt::Key key = event == 'k' ? Qt::Key_Return : Qt::Key_Space;
            event == 'S' ? QTest::keyPress(button, key) : QTest::keyClick(button, key);
        } else {
            button->setEnabled(event == 'a');
        }
    }
    const TPNGButton::PaintPlan plan = button->plan();
    QTEST(plan.image, "shown");
    QTEST(plan.imagePos, "imagePos");
    QTEST(plan.frame, "frame");
    QTEST(int(clicks.count()), "clicks");
}

void PngButtonTest::layoutsWithCaption() {
    struct Case {
        kalidor::TPNGButtonLayout layout;
        int pressedDx;  // how far a press moves image and caption to the right
    } cases[] = {{kalidor::pbsImageAbove, 2}, {kalidor::pbsImageBellow, 2}, {kalidor::pbsImageLeft, 0}, {kalidor::pbsImageRight, 0}};
    for (const Case& c : cases) {
        TPNGButton button;
        button.setGeometry(0, 0, 160, 80);
        button.setButtonStyle(kalidor::pbsNoFrame);
        button.setButtonLayout(c.layout);
        button.setCaption(QStringLiteral("作成"));
        button.setImageNormal(kalidor::uitest::solidImage(30, 20, Qt::red));
        const auto up = button.plan();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(&button, &enter);
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        const auto down = button.plan();
        QCOMPARE(down.imagePos - up.imagePos, QPoint(c.pressedDx, 2));
        QCOMPARE(down.textPos - up.textPos, QPoint(c.pressedDx, 2));
        const int th = button.fontMetrics().height();
        const int tw = button.fontMetrics().horizontalAdvance(QStringLiteral("作成"));
        switch (c.layout) {
        case kalidor::pbsImageAbove:
            // One block centred: image, 4 pixels, caption.
            QCOMPARE(up.textPos.y() - up.imagePos.y(), 24);
            QCOMPARE(up.imagePos.y(), (80 - 24 - th) / 2);
            break;
        case kalidor::pbsImageBellow: QCOMPARE(up.imagePos.y() - up.textPos.y(), th); break;
        case kalidor::pbsImageLeft: QCOMPARE(up.textPos.x() - up.imagePos.x(), 30 + 5); break;
        case kalidor::pbsImageRight: QCOMPARE(up.imagePos.x() - up.textPos.x(), tw + 5); break;
        }
    }
}

void PngButtonTest::disabledImageIsAThirdOpaque() {
    QImage translucent(2, 1, QImage::Format_ARGB32);
    translucent.setPixel(0, 0, qRgba(200, 100, 50, 255));
    translucent.setPixel(1, 0, qRgba(200, 100, 50, 100));
    QImage dimmed = TPNGButton::MakeDisabledImage(translucent);
    QCOMPARE(qAlpha(dimmed.pixel(0, 0)), 85);
    QCOMPARE(qAlpha(dimmed.pixel(1, 0)), 33);
    QCOMPARE(qRed(dimmed.pixel(0, 0)), 200);

    QImage opaque(1, 1, QImage::Format_RGB32);
    opaque.fill(qRgb(1, 2, 3));
    QCOMPARE(qAlpha(TPNGButton::MakeDisabledImage(opaque).pixel(0, 0)), 85);

    QImage palette(1, 1, QImage::Format_Indexed8);
    palette.setColorTable({qRgba(9, 9, 9, 255)});
    palette.fill(0);
    QCOMPARE(TPNGButton::MakeDisabledImage(palette), palette);

    TPNGButton button;
    button.setImageNormal(translucent);
    QCOMPARE(qAlpha(button.disabledImage().pixel(0, 0)), 85);
}

// Every shipped interface image has a copy for scale 2 of twice its pixels, chosen on a dense
// screen only, and a button places it where the plain one stands.
void PngButtonTest::sharpOnDenseScreens() {
    const QDir img(QStringLiteral(KALIDOR_SOURCE_ROOT "/data/img"));
    const QStringList plain = img.entryList({QStringLiteral("*.png")}).filter(QRegularExpression("^[^@]*$"));
    QVERIFY(plain.size() >= 40);
    for (const QString& name : plain) {
        const std::string path = img.filePath(name).toStdString();
        const QImage one = kalidor::LoadInterfaceImage(path, 1), two = kalidor::LoadInterfaceImage(path, 2);
        QCOMPARE(one.devicePixelRatio(), 1.0);
        QCOMPARE(two.devicePixelRatio(), 2.0);
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(one, QImage(img.filePath(name)));
        TPNGButton plainButton, sharpButton;
        for (auto [button, image] : {std::pair{&plainButton, one}, std::pair{&sharpButton, two}}) {
            button->setGeometry(0, 0, 240, 80);
            button->setImageNormal(image);
        }
        QCOMPARE(sharpButton.plan().imagePos, plainButton.plan().imagePos);
    }
    // The action icons and descriptions, shown at the same logical size from twice the pixels.
    const kalidor::TThActionObjectManager actions(KALIDOR_SOURCE_ROOT "/data/config/actionList.dat",
                                                  img.path().toStdString() + "/");
    QVERIFY(actions.Count() >= 17);
    for (int i = 0; i < actions.Count(); ++i)
        for (const kalidor::Bitmap* plain : {&actions.Items(i).Icon, &actions.Items(i).Description}) {
            const QPixmap one = kalidor::ActionPixmap(actions, *plain, 1);
            const QPixmap two = kalidor::ActionPixmap(actions, *plain, 2);
            QCOMPARE(one.size(), QSize(plain->width(), plain->height()));
            QCOMPARE(one.devicePixelRatio(), 1.0);
            QCOMPARE(two.devicePixelRatio(), 2.0);
            QCOMPARE(two.size(), one.size() * 2);
        }
}

QTEST_MAIN(PngButtonTest)
#include "png_button_test.moc"
