#pragma once
// The storyboard strip as data a widget applies: the nine controls of a panel with their names,
// tags, places and events, where panel i sits, and the texts and colours a refresh writes.
// Panel i always shows picture i; every control of it carries i as its tag and as the suffix of
// its name.

#include "model/pic_object.h"
#include "imaging/bitmap.h"

#include <array>
#include <string>

namespace kalidor::rules {

// The controls of one panel, in the order they are made (the number label, made after the
// thumbnail, lies over it).
enum class PanelControl {
    Panel,         // PanelStoryBorad
    Thumbnail,     // ImgStoryBoradThumbnail
    Number,        // LblStoryBoradThumbnailNo
    PicAction,     // ImgStoryBoradActPic
    StrAction,     // ImgStoryBoradActStr
    TimeIcon,      // ImgStoryBoradTime
    Caption,       // EditStoryBoradStr
    TimeLabel,     // LblStoryBoradTime
    FontButton,    // EditStoryBoradConfBtn
};

enum class ControlKind { Panel, Image, Label, Edit, ImageButton };

// What a click on the control does.
enum class ClickAction { None, Select, TimeDialog, FontDialog };

struct PanelControlLayout {
    PanelControl control;
    ControlKind kind;
    const char* namePrefix;  // "PanelStoryBorad_" and so on: note "Borad"
    int left, top, width, height;  // the panel's own place is PanelContentLeft(i), 0; the others are inside it
    bool startsDrag;     // mouse down may start a drag of the panel's picture
    bool acceptsDrop;    // files, actions and panels may be dropped on it
    ClickAction click;
    bool storesText;     // its text changes are the picture's caption
};

inline constexpr std::array<PanelControlLayout, 9> kPanelControls = {{
    {PanelControl::Panel, ControlKind::Panel, "PanelStoryBorad_", 0, 0, 185, 170, true, true, ClickAction::Select, false},
    {PanelControl::Thumbnail, ControlKind::Image, "ImgStoryBoradThumbnail_", 66, 5, 105, 105, true, true, ClickAction::Select, false},
    {PanelControl::Number, ControlKind::Label, "LblStoryBoradThumbnailNo_", 66, 5, 20, 12, true, true, ClickAction::Select, false},
    {PanelControl::PicAction, ControlKind::Image, "ImgStoryBoradActPic_", 7, 5, 44, 44, true, true, ClickAction::Select, false},
    {PanelControl::StrAction, ControlKind::Image, "ImgStoryBoradActStr_", 7, 66, 44, 44, true, true, ClickAction::Select, false},
    {PanelControl::TimeIcon, ControlKind::Image, "ImgStoryBoradTime_", 7, 117, 23, 23, false, false, ClickAction::TimeDialog, false},
    {PanelControl::Caption, ControlKind::Edit, "EditStoryBoradStr_", 7, 143, 120, 20, false, false, ClickAction::None, true},
    {PanelControl::TimeLabel, ControlKind::Label, "LblStoryBoradTime_", 40, 123, 144, 12, false, true, ClickAction::TimeDialog, false},
    {PanelControl::FontButton, ControlKind::ImageButton, "EditStoryBoradConfBtn_", 132, 125, 40, 40, false, false, ClickAction::FontDialog, false},
}};

const PanelControlLayout& LayoutOf(PanelControl control);

// "PanelStoryBorad_3" for the fourth panel: the prefix and the index in decimal.
std::string PanelControlName(PanelControl control, int index);

// The index a control name carries, or -1 when it is no panel control's name.
int PanelIndexOfName(const std::string& name);

// The strip: 194 high along the bottom of the window, its scroll range 185 beyond the last panel.
inline constexpr int kStripHeight = 194;
inline constexpr int kStripScrollMargin = 185;
inline constexpr int kPanelStep = 200;   // 185 wide and a gap of 15
inline constexpr int kFirstPanelLeft = 15;

// Where panel i lies in the strip's content, whatever the scroll position when it is made.
int PanelContentLeft(int index);
// Where it shows in the visible area while the strip is scrolled by `scroll`.
int PanelVisibleLeft(int index, int scroll);
// The width of the strip's content with `count` panels: the right edge of the last panel plus
// the margin.
int StripContentWidth(int count);

// Texts and colours (0x00BBGGRR).
inline constexpr const char* kFreshTimeText = "00:00";  // until the first refresh
inline constexpr Color kSelectedPanelColor = 0x00F0CAA6;  // light sky blue: red 166, green 202, blue 240
inline constexpr Color kNumberLabelBackground = 0x00A0A0A0;
inline constexpr Color kNumberLabelText = 0x00FFFFFF;
inline constexpr const char* kPanelFontName = "ＭＳ Ｐゴシック";  // a face name: not translated
inline constexpr int kPanelFontPixels = 12;
inline constexpr const char* kTimeImage = "time.png";
inline constexpr std::array<const char*, 3> kFontButtonImages = {"config1.png", "config2.png", "config3.png"};  // normal, hover, pressed

// Picture index i + 1, zero-filled to at least three digits: 001, 012, 999, 1000.
std::string PanelNumberText(int index);
// "0:" and the seconds zero-filled to at least two digits: 0:03, 0:12.
std::string PanelTimeText(int seconds);

// What a refresh writes into panel i; the widget draws the thumbnail and the catalogue's icons of
// the two actions (an action without a catalogue entry shows an empty image).
struct PanelContent {
    const Bitmap* thumbnail = nullptr;
    std::string number;
    std::uint8_t picAction = 0;
    std::uint8_t strAction = 0;
    std::string time;
    std::string caption;
    bool selected = false;  // panel colour kSelectedPanelColor, else the button face
};
PanelContent PanelContentFor(const TThPicObjectManager& project, int index);

}  // namespace kalidor::rules
