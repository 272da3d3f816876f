#include "desktop_rules/dialog_rules.h"

#include <gtest/gtest.h>

namespace kalidor::rules {
namespace {

TEST(DialogRules, DisplayTime) {
    const std::vector<std::string> items = TimeItems();
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items.front(), "03");
    EXPECT_EQ(items.back(), "12");
    struct Case {
        int current;
        int shown;      // the item selected when the dialog opens
        int chosen;     // the item selected when OK is pressed
        int returned;
    } const cases[] = {
        {6, 3, 7, 10},     // "06" shown, "10" chosen
        {3, 0, 0, 3},
        {12, 9, 9, 12},
        {15, -1, -1, 15},  // outside the list: nothing shown, the time is kept
        {2, -1, 1, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TimeItemIndex(c.current), c.shown) << c.current;
        if (c.shown >= 0) {
            EXPECT_EQ(items[static_cast<std::size_t>(c.shown)], (c.current < 10 ? "0" : "") + std::to_string(c.current));
        }
        EXPECT_EQ(SecondsOfTimeItem(c.chosen, c.current), c.returned) << c.current;
    }
}

TEST(DialogRules, FontFacesAndSizes) {
    const std::vector<std::string> faces =
        FontFaceItems({"Noto Sans", "@IPAGothic", "IPAGothic", "dejavu sans", "Noto Sans", "ＭＳ ゴシック", ""});
    EXPECT_EQ(faces, (std::vector<std::string>{"dejavu sans", "IPAGothic", "Noto Sans", "ＭＳ ゴシック"}));
    EXPECT_EQ(FontFaceItemIndex(faces, "noto SANS"), 2);
    EXPECT_EQ(FontFaceItemIndex(faces, kPreferredFace), 3);
    EXPECT_EQ(FontFaceItemIndex(faces, "Missing"), -1);

    const std::vector<std::string> sizes = FontSizeItems();
    ASSERT_EQ(sizes.size(), 44u);
    EXPECT_EQ(sizes.front(), "7");
    EXPECT_EQ(sizes.back(), "50");
    for (const auto& [points, index] : std::vector<std::pair<int, int>>{{7, 0}, {12, 5}, {50, 43}, {6, -1}, {51, -1}})
        EXPECT_EQ(FontSizeItemIndex(points), index) << points;
}

TEST(DialogRules, FontChangesWriteEveryControl) {
    const std::vector<std::string> faces = {"IPAGothic", "Noto Sans"};
    struct Case {
        CaptionFont font;
        FontDialogState opened;
        void (*change)(FontDialogState&);
        CaptionFont after;
        const char* drawnBy = "";
    } const cases[] = {
        // Size 12, bold: only bold is down; pressing underline gives bold and underline.
        {{"Noto Sans", 12, 0x0000FF, fsBold},
         {1, 5, 0x0000FF, true, false, false},
         [](FontDialogState& s) { s.underline = true; },
         {"Noto Sans", 12, 0x0000FF, fsBold | fsUnderline}},
        // Strike-out goes at the first change.
        {{"IPAGothic", 20, 0, fsItalic | fsStrikeOut},
         {0, 13, 0, false, true, false},
         [](FontDialogState& s) { s.color = 0x00FF00; },
         {"IPAGothic", 20, 0x00FF00, fsItalic}},
        // A face and a size the lists do not offer stay, whatever else changes.
        {{"Gone Face", 60, 0, 0},
         {-1, -1, 0, false, false, false},
         [](FontDialogState& s) { s.bold = true; },
         {"Gone Face", 60, 0, fsBold}},
        {{"Gone Face", 60, 0, 0},
         {-1, -1, 0, false, false, false},
         [](FontDialogState& s) { s.faceIndex = 0; s.sizeIndex = 0; },
         {"IPAGothic", 7, 0, 0}},
        // A name not installed shows the face that draws it, and stays until another is chosen.
        {{"ＭＳ Ｐゴシック", 12, 0, 0},
         {1, 5, 0, false, false, false, true},
         [](FontDialogState& s) { s.italic = true; },
         {"ＭＳ Ｐゴシック", 12, 0, fsItalic},
         "Noto Sans"},
        {{"ＭＳ Ｐゴシック", 12, 0, 0},
         {1, 5, 0, false, false, false, true},
         [](FontDialogState& s) { s.faceIndex = 0; s.faceStandsIn = false; },
         {"IPAGothic", 12, 0, 0},
         "Noto Sans"},
    };
    for (const Case& c : cases) {
        FontDialogState state = FontDialogStateFor(c.font, faces, c.drawnBy);
        EXPECT_EQ(state, c.opened) << c.font.Name;
        c.change(state);
        CaptionFont edited = c.font;
        ApplyFontDialogState(edited, state, faces);
        EXPECT_EQ(edited, c.after) << c.font.Name;
    }
}

}  // namespace
}  // namespace kalidor::rules
