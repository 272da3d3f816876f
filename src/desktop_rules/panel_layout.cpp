#include "desktop_rules/panel_layout.h"

#include <cstdio>
#include <cstring>

namespace kalidor::rules {

const PanelControlLayout& LayoutOf(PanelControl control) { return kPanelControls[static_cast<std::size_t>(control)]; }

std::string PanelControlName(PanelControl control, int index) {
    return LayoutOf(control).namePrefix + std::to_string(index);
}

int PanelIndexOfName(const std::string& name) {
    for (const PanelControlLayout& layout : kPanelControls) {
        const std::size_t length = std::strlen(layout.namePrefix);
        if (name.size() <= length || name.compare(0, length, layout.namePrefix) != 0)
            continue;
        const std::string digits = name.substr(length);
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos ||
            (digits.size() > 1 && digits[0] == '0'))
            return -1;
        return std::stoi(digits);
    }
    return -1;
}

int PanelContentLeft(int index) { return kFirstPanelLeft + kPanelStep * index; }

int PanelVisibleLeft(int index, int scroll) { return PanelContentLeft(index) - scroll; }

int StripContentWidth(int count) {
    if (count <= 0)
        return kStripScrollMargin;
    return PanelContentLeft(count - 1) + LayoutOf(PanelControl::Panel).width + kStripScrollMargin;
}

std::string PanelNumberText(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", index + 1);
    return text;
}

std::string PanelTimeText(int seconds) {
    char text[24];
    std::snprintf(text, sizeof text, "0:%02d", seconds);
    return text;
}

PanelContent PanelContentFor(const TThPicObjectManager& project, int index) {
    const TThPicObject& picture = project.Items(index);
    PanelContent content;
    content.thumbnail = &picture.Thumbnail;
    content.number = PanelNumberText(index);
    content.picAction = picture.PicAction;
    content.strAction = picture.StrAction;
    content.time = PanelTimeText(picture.DisplayTime);
    content.caption = picture.Text;
    content.selected = picture.Selected;
    return content;
}

}  // namespace kalidor::rules
