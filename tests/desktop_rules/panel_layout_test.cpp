#include "desktop_rules/panel_layout.h"

#include <gtest/gtest.h>

namespace kalidor::rules {
namespace {

TEST(PanelLayout, NamesTagsAndPlaces) {
    struct Case {
        int index, scroll;
        int contentLeft, visibleLeft;
        const char* panelName;
    } const cases[] = {
        {0, 0, 15, 15, "PanelStoryBorad_0"},
        {3, 0, 615, 615, "PanelStoryBorad_3"},
        {3, 400, 615, 215, "PanelStoryBorad_3"},  // made while scrolled: still after panel 2
        {12, 2000, 2415, 415, "PanelStoryBorad_12"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PanelContentLeft(c.index), c.contentLeft);
        EXPECT_EQ(PanelVisibleLeft(c.index, c.scroll), c.visibleLeft);
        EXPECT_EQ(PanelControlName(PanelControl::Panel, c.index), c.panelName);
        for (const PanelControlLayout& layout : kPanelControls)  // every control's name carries the tag
            EXPECT_EQ(PanelIndexOfName(PanelControlName(layout.control, c.index)), c.index) << layout.namePrefix;
    }
    EXPECT_EQ(PanelControlName(PanelControl::FontButton, 7), "EditStoryBoradConfBtn_7");
    for (const char* name : {"PanelStoryBorad_", "PanelStoryBorad_03", "PanelStoryBoard_3", "LblTime_1", "x"})
        EXPECT_EQ(PanelIndexOfName(name), -1) << name;
    EXPECT_EQ(StripContentWidth(0), 185);
    EXPECT_EQ(StripContentWidth(4), 615 + 185 + 185);

    // The table is in creation order, and the places the layout ties together hold.
    for (std::size_t i = 0; i < kPanelControls.size(); ++i)
        EXPECT_EQ(static_cast<std::size_t>(kPanelControls[i].control), i);
    const auto& thumb = LayoutOf(PanelControl::Thumbnail);
    const auto& str = LayoutOf(PanelControl::StrAction);
    const auto& icon = LayoutOf(PanelControl::TimeIcon);
    const auto& edit = LayoutOf(PanelControl::Caption);
    EXPECT_EQ(str.top + str.height, thumb.top + thumb.height);
    EXPECT_EQ(icon.top, str.top + str.height + 7);
    EXPECT_EQ(edit.top, icon.top + icon.height + 3);
    EXPECT_EQ(LayoutOf(PanelControl::FontButton).left, edit.left + edit.width + 5);
}

TEST(PanelLayout, RefreshTexts) {
    const std::pair<int, const char*> numbers[] = {{0, "001"}, {11, "012"}, {998, "999"}, {999, "1000"}};
    for (const auto& [index, text] : numbers)
        EXPECT_EQ(PanelNumberText(index), text);
    const std::pair<int, const char*> times[] = {{3, "0:03"}, {6, "0:06"}, {12, "0:12"}, {125, "0:125"}};
    for (const auto& [seconds, text] : times)
        EXPECT_EQ(PanelTimeText(seconds), text);
    EXPECT_EQ(redOf(kSelectedPanelColor), 166);
    EXPECT_EQ(greenOf(kSelectedPanelColor), 202);
    EXPECT_EQ(blueOf(kSelectedPanelColor), 240);

    TThPicObjectManager project;
    for (int i = 0; i < 2; ++i) {
        auto picture = std::make_unique<TThPicObject>();
        picture->Text = "caption " + std::to_string(i);
        picture->DisplayTime = 6 + i;
        picture->PicAction = static_cast<std::uint8_t>(i + 1);
        picture->Selected = i == 1;
        project.Add(std::move(picture));
    }
    const PanelContent second = PanelContentFor(project, 1);
    EXPECT_EQ(second.number, "002");
    EXPECT_EQ(second.time, "0:07");
    EXPECT_EQ(second.caption, "caption 1");
    EXPECT_EQ(second.picAction, 2);
    EXPECT_TRUE(second.selected);
    EXPECT_EQ(second.thumbnail, &project.Items(1).Thumbnail);
    EXPECT_FALSE(PanelContentFor(project, 0).selected);
}

}  // namespace
}  // namespace kalidor::rules
