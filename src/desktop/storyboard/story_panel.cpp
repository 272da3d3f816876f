#include "desktop/storyboard/story_panel.h"

#include "model/pic_object.h"
#include "platform/error.h"
#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/bitmap_image.h"
#include "desktop/shared/interface_image.h"
#include "desktop/shared/png_button.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace kalidor {
namespace {

using rules::PanelControl;

// What a screen reader calls each control, before the picture's number.
const char* spokenName(PanelControl control) {
    switch (control) {
    case PanelControl::Panel: return QT_TRANSLATE_NOOP("StoryPanel", "画像");
    case PanelControl::Thumbnail: return QT_TRANSLATE_NOOP("StoryPanel", "縮小画像");
    case PanelControl::Number: return QT_TRANSLATE_NOOP("StoryPanel", "番号");
    case PanelControl::PicAction: return QT_TRANSLATE_NOOP("StoryPanel", "画像アクション");
    case PanelControl::StrAction: return QT_TRANSLATE_NOOP("StoryPanel", "文字アクション");
    case PanelControl::TimeIcon: return QT_TRANSLATE_NOOP("StoryPanel", "時間設定");
    case PanelControl::Caption: return QT_TRANSLATE_NOOP("StoryPanel", "文字");
    case PanelControl::TimeLabel: return QT_TRANSLATE_NOOP("StoryPanel", "表示時間");
    case PanelControl::FontButton: return QT_TRANSLATE_NOOP("StoryPanel", "フォント設定");
    }
    return "";
}

QString spokenPart(const char* text) { return QCoreApplication::translate("StoryPanel", text); }
QString spokenPart(PanelControl control) { return spokenPart(spokenName(control)); }

// Between the parts of a panel's description.
constexpr const char* kPartSeparator = QT_TRANSLATE_NOOP("StoryPanel", "、");

// "縮小画像 001": the part and the picture's number.
QString spokenName(PanelControl control, int index) {
    return spokenPart(control) + QLatin1Char(' ') + QString::fromStdString(rules::PanelNumberText(index));
}

// The role a screen reader is told where the widget's class says otherwise: the panel is an item
// of the strip's list, the clock a button that opens the time dialog.
void speakRole(QWidget* widget, PanelControl control) {
    switch (control) {
    case PanelControl::Panel: return SpeakAs(widget, QAccessible::ListItem);
    case PanelControl::Thumbnail:
        SpeakAs(widget, QAccessible::Graphic);
        return SpeakPressable(widget);  // selects, as Space does
    case PanelControl::TimeIcon:
        SpeakAs(widget, QAccessible::Button);
        return SpeakPressable(widget);
    default: return;
    }
}

// Names, role, tag, place and visibility from the layout table.
template <typename Widget>
Widget* place(Widget* widget, PanelControl control, int index) {
    const rules::PanelControlLayout& layout = rules::LayoutOf(control);
    widget->setObjectName(QString::fromStdString(rules::PanelControlName(control, index)));
    speakRole(widget, control);
    widget->setAccessibleName(spokenName(control, index));
    widget->setProperty(kTagProperty, index);
    widget->setProperty(kPanelControlProperty, static_cast<int>(control));
    const int left = control == PanelControl::Panel ? rules::PanelContentLeft(index) : layout.left;
    widget->setGeometry(left, layout.top, layout.width, layout.height);
    widget->show();
    return widget;
}

// An image that shows a dashed frame over itself while it has the keyboard, as the image
// buttons do: a frame of its style would lie under the picture, which fills it.
class ImageLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (!hasFocus()) return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};

QLabel* image(QWidget* parent, PanelControl control, int index) {
    auto* label = place(new ImageLabel(parent), control, index);
    label->setAlignment(Qt::AlignCenter);  // centred, not scaled
    return label;
}

// Reached by Tab, where Space and Enter do what a click does (StoryboardInput).
void takeKeys(QLabel* label) { label->setFocusPolicy(Qt::TabFocus); }

// Sets what differs only: every setting is announced to screen readers.
void speak(QWidget* widget, const QString& name, const QString& description) {
    if (!name.isNull() && widget->accessibleName() != name) widget->setAccessibleName(name);
    if (widget->accessibleDescription() != description) widget->setAccessibleDescription(description);
}

}  // namespace

TThStoryPanelObject::TThStoryPanelObject(QWidget* content, int index) : index_(index) {
    PanelStoryBorad = place(new QFrame(content), PanelControl::Panel, index);
    PanelStoryBorad->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelStoryBorad->setAutoFillBackground(true);
    QWidget* panel = PanelStoryBorad;

    ImgStoryBoradThumbnail = image(panel, PanelControl::Thumbnail, index);
    takeKeys(ImgStoryBoradThumbnail);

    LblStoryBoradThumbnailNo = place(new QLabel(panel), PanelControl::Number, index);
    LblStoryBoradThumbnailNo->setAlignment(Qt::AlignCenter);
    LblStoryBoradThumbnailNo->setAutoFillBackground(true);
    QPalette number = LblStoryBoradThumbnailNo->palette();
    number.setColor(QPalette::Window, ToQColor(rules::kNumberLabelBackground));
    number.setColor(QPalette::WindowText, ToQColor(rules::kNumberLabelText));
    LblStoryBoradThumbnailNo->setPalette(number);
    // Grown to hold its three digits in the window's font, which the fixed box cut off.
    const QFontMetrics digits = LblStoryBoradThumbnailNo->fontMetrics();
    LblStoryBoradThumbnailNo->resize(std::max(LblStoryBoradThumbnailNo->width(), digits.horizontalAdvance("000") + 4),
                                     std::max(LblStoryBoradThumbnailNo->height(), digits.height()));

    ImgStoryBoradActPic = image(panel, PanelControl::PicAction, index);
    ImgStoryBoradActStr = image(panel, PanelControl::StrAction, index);
    ImgStoryBoradTime = image(panel, PanelControl::TimeIcon, index);
    takeKeys(ImgStoryBoradTime);

    EditStoryBoradStr = place(new QLineEdit(panel), PanelControl::Caption, index);
    // Drops over the caption go to the panel (pictures, actions), not into the text.
    EditStoryBoradStr->setAcceptDrops(false);
    QLineEdit* caption = EditStoryBoradStr;
    QObject::connect(caption, &QLineEdit::textChanged, caption, [caption] { ShowLongCaptionAsTip(*caption); });

    LblStoryBoradTime = place(new QLabel(QString::fromUtf8(rules::kFreshTimeText), panel), PanelControl::TimeLabel, index);

    EditStoryBoradConfBtn = place(new TPNGButton(panel), PanelControl::FontButton, index);
    EditStoryBoradConfBtn->setButtonStyle(pbsNoFrame);
}

TThStoryPanelObject::~TThStoryPanelObject() { delete PanelStoryBorad.data(); }

QWidget* TThStoryPanelObject::Control(rules::PanelControl control) const {
    switch (control) {
    case PanelControl::Panel: return PanelStoryBorad;
    case PanelControl::Thumbnail: return ImgStoryBoradThumbnail;
    case PanelControl::Number: return LblStoryBoradThumbnailNo;
    case PanelControl::PicAction: return ImgStoryBoradActPic;
    case PanelControl::StrAction: return ImgStoryBoradActStr;
    case PanelControl::TimeIcon: return ImgStoryBoradTime;
    case PanelControl::Caption: return EditStoryBoradStr;
    case PanelControl::TimeLabel: return LblStoryBoradTime;
    case PanelControl::FontButton: return EditStoryBoradConfBtn;
    }
    return nullptr;
}

void SpeakPanel(TThStoryPanelObject& panel, const SpokenPanel& spoken) {
    const int index = panel.Index();
    // "表示時間 0:04、画像アクション ズームイン、文字アクション なし、文字 タイトル"
    QStringList parts{spokenPart(PanelControl::TimeLabel) + QLatin1Char(' ') + spoken.time};
    for (const auto& [part, value] : {std::pair{PanelControl::PicAction, spoken.picAction},
                                      std::pair{PanelControl::StrAction, spoken.strAction},
                                      std::pair{PanelControl::Caption, spoken.caption}})
        if (!value.isEmpty()) parts << spokenPart(part) + QLatin1Char(' ') + value;
    speak(panel.PanelStoryBorad, spokenName(PanelControl::Panel, index) + QLatin1Char(' ') + spoken.fileName,
          parts.join(spokenPart(kPartSeparator)));
    speak(panel.ImgStoryBoradTime, QString(), spoken.time);
    speak(panel.LblStoryBoradTime, QString(), spoken.time);
    // The thumbnail, which Space selects, says so as the panel does.
    SpeakSelected(panel.PanelStoryBorad, spoken.selected);
    SpeakSelected(panel.ImgStoryBoradThumbnail, spoken.selected);
}

void ShowLongCaptionAsTip(QLineEdit& caption) {
    const int room = caption.contentsRect().width() - 6;  // less the edit's own text margins
    const QString text = caption.text();
    caption.setToolTip(caption.fontMetrics().horizontalAdvance(text) > room ? text : QString());
}

PanelImages LoadPanelImages(const std::string& imgDir) {
    auto read = [&imgDir](const char* name) {
        QImage image = LoadInterfaceImage(imgDir + name, InterfaceScale());
        if (image.isNull()) throw Error("PNG: cannot read the image file (" + imgDir + name + ")");
        return image;
    };
    PanelImages images;
    images.time = read(rules::kTimeImage);
    images.fontNormal = read(rules::kFontButtonImages[0]);
    images.fontOver = read(rules::kFontButtonImages[1]);
    images.fontDown = read(rules::kFontButtonImages[2]);
    images.dir = imgDir;
    return images;
}

void ApplyPanelImages(TThStoryPanelObject& panel, const PanelImages& images) {
    panel.ImgStoryBoradTime->setPixmap(QPixmap::fromImage(images.time));
    panel.EditStoryBoradConfBtn->setImageNormal(images.fontNormal);
    panel.EditStoryBoradConfBtn->setImageOver(images.fontOver);
    panel.EditStoryBoradConfBtn->setImageDown(images.fontDown);
    panel.EditStoryBoradConfBtn->update();
}

int TThStoryPanelObjectManager::Add(std::unique_ptr<TThStoryPanelObject> panel) {
    panels_.push_back(std::move(panel));
    return Count() - 1;
}

TThStoryPanelObject& TThStoryPanelObjectManager::Items(int index) const {
    if (index < 0 || index >= Count()) throw ListIndexError(index);
    return *panels_[static_cast<std::size_t>(index)];
}

void TThStoryPanelObjectManager::DeleteLast() {
    if (!panels_.empty()) panels_.pop_back();
}

void TThStoryPanelObjectManager::Clear() {
    while (!panels_.empty()) panels_.pop_back();
}

}  // namespace kalidor
