#include "actions/action_catalogue.h"
#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "imaging/png_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kalidor {
namespace {

const std::string kData = std::string(KALIDOR_SOURCE_ROOT) + "/data/";

TEST(ShippedData, CatalogueOffersEveryActionWithItsBitmaps) {
    const TThActionObjectManager actions(kData + "config/actionList.dat", kData + "img/");
    std::set<int> pictures, texts;
    for (int i = 0; i < actions.Count(); ++i) {
        const TThActionObject& entry = actions.Items(i);
        (entry.IsPicture ? pictures : texts).insert(entry.IsPicture ? entry.PicType : entry.StrType);
        EXPECT_EQ(entry.Icon.width(), 44) << entry.Name;
        EXPECT_EQ(entry.Icon.height(), 44) << entry.Name;
        EXPECT_EQ(entry.Description.width(), 394) << entry.Name;
        EXPECT_EQ(entry.Description.height(), 267) << entry.Name;
    }
    EXPECT_EQ(pictures, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(texts, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    // A picture without an action shows the first entry carrying 0 in both slots: the neutral one.
    EXPECT_EQ(actions.PicBitmap(0, true), actions.StrBitmap(0, true));
    EXPECT_TRUE(actions.Items(0).IsPicture && actions.Items(0).PicType == 0);
}

TEST(ShippedData, ACatalogueCutShortOrEmptiedIsRefusedAtItsEnd) {
    const std::string shipped = test::readText(kData + "config/actionList.dat");
    const std::size_t lastLine = shipped.rfind("\r\n", shipped.size() - 3) + 2;
    const std::size_t secondLine = shipped.find("\r\n") + 2;
    const struct {
        std::string text;
        std::string refusal;  // "": accepted
    } cases[] = {
        {shipped, ""},
        {shipped.substr(secondLine), ""},  // without apNone
        {"", "holds no action (%s line 1)"},
        {shipped.substr(0, lastLine), "without an entry for asBottomR (%s line 17)"},
    };
    test::TempFolder config;
    const std::string path = config.dir() + "actionList.dat";
    for (auto c : cases) {
        test::writeText(path, c.text);
        if (const auto at = c.refusal.find("%s"); at != std::string::npos)
            c.refusal.replace(at, 2, path);
        try {
            CheckCatalogueIsWhole(TThActionObjectManager(path, kData + "img/"), path);
            EXPECT_EQ(c.refusal, "");
        } catch (const Error& e) {
            EXPECT_NE(c.refusal, "") << e.what();
            EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
        }
    }
}

TEST(ShippedData, InterfaceImagesHaveTheirControlsSizes) {
    const struct {
        std::string file;
        int width;
        int height;
    } images[] = {
        {"menu01_01.png", 192, 55}, {"menu01_02.png", 192, 55}, {"menu02_01.png", 137, 55},
        {"menu02_02.png", 137, 55}, {"menu03_01.png", 180, 55}, {"menu03_02.png", 180, 55},
        {"menu04_01.png", 137, 55}, {"menu04_02.png", 137, 55}, {"menu05_01.png", 137, 55},
        {"menuback.png", 8, 63},    {"time.png", 23, 23},       {"config1.png", 40, 40},
        {"config2.png", 40, 40},    {"config3.png", 40, 40},
    };
    for (const auto& image : images) {
        const Bitmap b = png::readFile(kData + "img/" + image.file);
        EXPECT_EQ(b.width(), image.width) << image.file;
        EXPECT_EQ(b.height(), image.height) << image.file;
    }
    const struct {
        const char* control;
        int width;
        int height;
    } buttons[] = {
        {"pngBtnMakeProject", 220, 46}, {"pngBtnRenameProject", 220, 46}, {"pngBtnDelProject", 220, 46},
        {"pngBtnToSelectPicture", 220, 46}, {"PngBtnDesktop", 220, 46}, {"PngBtnDocument", 220, 46},
        {"pngBtnPicPrev", 218, 62}, {"pngBtnPicBack", 218, 62}, {"pngBtnAddPicture", 218, 62},
        {"pngBtnDelPicture", 218, 62}, {"pngBtnAddAction", 218, 62}, {"pngBtnDelAction", 218, 62},
        {"pngBtnMakeMov", 218, 62},
    };
    for (const auto& button : buttons)
        for (const char* state : {"_normal.png", "_over.png", "_down.png"}) {
            const Bitmap b = png::readFile(kData + "img/" + button.control + state);
            EXPECT_EQ(b.width(), button.width) << button.control << state;
            EXPECT_EQ(b.height(), button.height) << button.control << state;
        }
    const Bitmap thumbnail = bmp::readFile(kData + "project/thum.bmp");
    EXPECT_EQ(thumbnail.width(), 148);
    EXPECT_EQ(thumbnail.height(), 148);
}

}  // namespace
}  // namespace kalidor
