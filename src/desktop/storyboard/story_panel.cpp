#include "desktop/storyboard/story_panel.h"

#include "model/pic_object.h"
#include "platform/error.h"
#include "desktop/shared/bitmap_image.h"
#include "desktop/shared/png_button.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

namespace kalidor {
namespace {

using rules::PanelControl;

// Names, tag, place and visibility from the layout table.
template <typename Widget>
Widget* place(Widget* widget, PanelControl control, int index) {
    const rules::PanelControlLayout& layout = rules::LayoutOf(control);
    widget->setObjectName(QString::fromStdString(rules::PanelControlName(control, index)));
    widget->setProperty(kTagProperty, index);
    widget->setProperty(kPanelControlProperty, static_cast<int>(control));
    const int left = control == PanelControl::Panel ? rules::PanelContentLeft(index) : layout.left;
    widget->setGeometry(left, layout.top, layout.width, layout.height);
    widget->show();
    return widget;
}

QLabel* image(QWidget* parent, PanelControl control, int index) {
    auto* label = place(new QLabel(parent), control, index);
    label->setAlignment(Qt::AlignCenter);  // centred, not scaled
    return label;
}

}  // namespace

TThStoryPanelObject::TThStoryPanelObject(QWidget* content, int index) : index_(index) {
    PanelStoryBorad = place(new QFrame(content), PanelControl::Panel, index);
    PanelStoryBorad->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelStoryBorad->setAutoFillBackground(true);
    QWidget* panel = PanelStoryBorad;

    ImgStoryBoradThumbnail = image(panel, PanelControl::Thumbnail, index);

    LblStoryBoradThumbnailNo = place(new QLabel(panel), PanelControl::Number, index);
    LblStoryBoradThumbnailNo->setAlignment(Qt::AlignCenter);
    LblStoryBoradThumbnailNo->setAutoFillBackground(true);
    QPalette number = LblStoryBoradThumbnailNo->palette();
    number.setColor(QPalette::Window, ToQColor(rules::kNumberLabelBackground));
    number.setColor(QPalette::WindowText, ToQColor(rules::kNumberLabelText));
    LblStoryBoradThumbnailNo->setPalette(number);

    ImgStoryBoradActPic = image(panel, PanelControl::PicAction, index);
    ImgStoryBoradActStr = image(panel, PanelControl::StrAction, index);
    ImgStoryBoradTime = image(panel, PanelControl::TimeIcon, index);

    EditStoryBoradStr = place(new QLineEdit(panel), PanelControl::Caption, index);
    // Drops over the caption go to the panel (pictures, actions), not into the text.
    EditStoryBoradStr->setAcceptDrops(false);

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

PanelImages LoadPanelImages(const std::string& imgDir) {
    auto read = [&imgDir](const char* name) {
        QImage image(QString::fromStdString(imgDir + name));
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
