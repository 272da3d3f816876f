#pragma once
// The storyboard strip's panels: TThStoryPanelObject holds the nine controls of one panel,
// TThStoryPanelObjectManager the panels in strip order. Panel i always shows picture i; panels
// are made at the end and removed from the end only, so every control of panel i carries i as
// its tag (the "tag" property) and as the suffix of its name.

#include "desktop_rules/panel_layout.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QWidget;

namespace kalidor {

class TPNGButton;

// The property a panel control carries its panel's index in.
inline constexpr const char* kTagProperty = "tag";
// Which of the nine controls it is (rules::PanelControl as an int).
inline constexpr const char* kPanelControlProperty = "panelControl";

class TThStoryPanelObject {
public:
    // Makes the nine controls in the strip's content widget, at content x = 15 + 200 * index
    // whatever the strip's scroll position (the content widget scrolls as a whole). No handlers
    // and no images yet.
    TThStoryPanelObject(QWidget* content, int index);
    // Destroys the panel and with it the other eight controls.
    ~TThStoryPanelObject();
    TThStoryPanelObject(const TThStoryPanelObject&) = delete;
    TThStoryPanelObject& operator=(const TThStoryPanelObject&) = delete;

    int Index() const { return index_; }
    // The control for a layout entry, as a plain widget.
    QWidget* Control(rules::PanelControl control) const;

    QPointer<QFrame> PanelStoryBorad;
    QPointer<QLabel> ImgStoryBoradThumbnail;
    QPointer<QLabel> LblStoryBoradThumbnailNo;
    QPointer<QLabel> ImgStoryBoradActPic;
    QPointer<QLabel> ImgStoryBoradActStr;
    QPointer<QLabel> ImgStoryBoradTime;
    QPointer<QLineEdit> EditStoryBoradStr;
    QPointer<QLabel> LblStoryBoradTime;
    QPointer<TPNGButton> EditStoryBoradConfBtn;

    // What the images show now, so that a refresh redraws only what changed.
    Bitmap ShownThumbnail;
    qint64 ShownSharpKey = 0;  // the dense screen's copy shown instead (QImage::cacheKey), 0 for none
    const Bitmap* ShownPicIcon = nullptr;
    const Bitmap* ShownStrIcon = nullptr;

private:
    int index_;
};

// What a screen reader hears of a panel: an item of the strip's list named by its number and
// its picture's file name, described by the display time, the actions and the caption, and
// selected or not (as its thumbnail, which Space selects); the clock says the display time too.
struct SpokenPanel {
    QString fileName, time, picAction, strAction, caption;
    bool selected = false;
};
void SpeakPanel(TThStoryPanelObject& panel, const SpokenPanel& spoken);

// A caption longer than its box is shown whole as the box's tooltip; a short one has none. Called
// on every change of the text, the program's own writes included.
void ShowLongCaptionAsTip(QLineEdit& caption);

// The images every panel shows, read from the image folder.
struct PanelImages {
    std::string dir;  // the folder they were read from; empty until read
    QImage time, fontNormal, fontOver, fontDown;
};
// Raises kalidor::Error naming the file that is missing or unreadable.
PanelImages LoadPanelImages(const std::string& imgDir);
// Gives a panel its time icon and font button images.
void ApplyPanelImages(TThStoryPanelObject& panel, const PanelImages& images);

// Owns its panels: removing one destroys it with its controls.
class TThStoryPanelObjectManager {
public:
    int Add(std::unique_ptr<TThStoryPanelObject> panel);
    int Count() const { return static_cast<int>(panels_.size()); }
    TThStoryPanelObject& Items(int index) const;  // throws ListIndexError out of range
    // Destroys the last panel; nothing when there is none.
    void DeleteLast();
    void Clear();

private:
    std::vector<std::unique_ptr<TThStoryPanelObject>> panels_;
};

}  // namespace kalidor
