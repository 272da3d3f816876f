#include "desktop_rules/picture_browser.h"

#include "support/test_support.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

namespace kalidor::rules {
namespace {

TEST(PictureBrowser, ListsPictureFilesOnly) {
    test::TempFolder folder;
    for (const char* name : {"e.bmp", "B.Png", "c.gif", "d.jpeg.txt", "a.JPG"})
        test::writeText(folder.path() / name, "x");
    std::filesystem::create_directory(folder.path() / "folder.jpg");
    std::filesystem::create_directory_symlink(folder.path() / "folder.jpg", folder.path() / "link.png");
    // In name order, letter case aside.
    EXPECT_EQ(ListFolderPictures(folder.dir()),
              (std::vector<std::string>{folder.dir() + "a.JPG", folder.dir() + "B.Png", folder.dir() + "e.bmp"}));
    EXPECT_TRUE(ListFolderPictures(folder.dir() + "missing").empty());
    EXPECT_EQ(ThumbnailProgressMaximum(0), 1);
    EXPECT_EQ(ThumbnailProgressMaximum(300), 299);
}

TEST(PictureBrowser, ItemDrawingPlaces) {
    const Rect square = ThumbnailSquare({10, 20, 150, 160});  // a 140 x 140 icon rectangle
    EXPECT_EQ(square, (Rect{18, 28, 142, 152}));
    EXPECT_EQ(ThumbnailSquare({0, 0, 121, 130}), (Rect{-1, 3, 123, 127}));  // Trunc toward zero
    struct Case {
        int width, height;
        Point origin;
    } const cases[] = {
        {93, 124, {18 + 15, 28}},       // portrait: 15 right, at the top
        {124, 93, {18, 28 + 15}},       // landscape: at the left, 15 down
        {124, 124, {18, 28}},
        {40, 60, {18 + 42, 28 + 32}},   // small portrait: centred both ways
        {60, 40, {18 + 32, 28 + 42}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ThumbnailOrigin(square, c.width, c.height), c.origin) << c.width << " x " << c.height;
    EXPECT_EQ(TypeIconOrigin(square), (Point{18 + 46, 28 + 46}));
}

TEST(PictureBrowser, CaptionsAreCentredOrCutBetweenCharacters) {
    // Every byte of a character is 4 pixels wide: ASCII 4, a Japanese character 12.
    const auto width = [](std::string_view text) { return static_cast<int>(text.size()) * 4; };
    const Rect square{0, 0, 124, 124};
    struct Case {
        std::string name;
        Caption caption;
    } const cases[] = {
        {"a.jpg", {"a.jpg", {62 - 10, 124}}},
        {std::string(31, 'x'), {std::string(31, 'x'), {0, 124}}},   // exactly 124: fits, centred
        {std::string(40, 'x'), {std::string(31, 'x'), {0, 124}}},
        {"xx" + std::string("写真写真写真写真写真写真"), {"xx写真写真写真写真写", {0, 124}}},  // 8 + 9 x 12 = 116; one more is 128
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceCaption(c.name, square, width), c.caption) << c.name;
}

}  // namespace
}  // namespace kalidor::rules
