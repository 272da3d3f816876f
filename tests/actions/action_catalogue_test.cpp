#include "actions/action_catalogue.h"
#include "actions/comma_text.h"
#include "model/pic_object.h"
#include "imaging/bmp_codec.h"
#include "imaging/png_writer.h"
#include "platform/error.h"
#include "platform/text_encoding.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kalidor {
namespace {

using Strings = std::vector<std::string>;

Strings linesOf(const std::string& text) {
    Strings out;
    for (const std::string_view line : SplitLines(text))
        out.emplace_back(line);
    return out;
}

TEST(CatalogueText, LineEnds) {
    const struct {
        std::string text;
        Strings lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\n\r\nb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"a\n\r", {"a", ""}},  // LF then a lone CR: two line ends
    };
    for (const auto& c : cases)
        EXPECT_EQ(linesOf(c.text), c.lines) << c.text;
}

TEST(CatalogueText, CommaTextFields) {
    const struct {
        std::string line;
        Strings fields;
    } cases[] = {
        {"", {}},
        {"   \t", {}},
        {"0,ズーム,apZoomIN,apZoomIN_d", {"0", "ズーム", "apZoomIN", "apZoomIN_d"}},
        {"  a ,  b\t,c", {"a", "b", "c"}},
        {"a b,c", {"a", "b", "c"}},  // a blank ends an unquoted field
        {"\"a b\",\"say \"\"hi\"\"\",c", {"a b", "say \"hi\"", "c"}},
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,", {"a", ""}},
        {"a, ", {"a"}},  // the comma is not the last character
        {"\"ab\"cd,e", {"ab", "cd", "e"}},
        {"\"open", {"open"}},
        {"\"\",x", {"", "x"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommaText(c.line), c.fields) << c.line;
}

TEST(CatalogueIdentifiers, IgnoreAsciiCaseOnly) {
    const struct {
        const char* identifier;
        int pic;
        int str;
    } cases[] = {
        {"apNone", 0, -1},        {"apZoomIN", 1, -1},  {"APZOOMIN", 1, -1}, {"apzoomin", 1, -1},
        {"ApZoomOut", 2, -1},     {"apBlindVertical", 6, -1}, {"apZoom", -1, -1}, {"apZoomIN ", -1, -1},
        {"asNone", -1, 0},        {"asTopC", -1, 5},    {"ASBOTTOMR", -1, 9}, {"", -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TThActionObjectManager::PicTypeOf(c.identifier), c.pic) << c.identifier;
        EXPECT_EQ(TThActionObjectManager::StrTypeOf(c.identifier), c.str) << c.identifier;
    }
}

// A workspace with a catalogue and one bitmap per base name; the bitmap's width tells them apart.
class Catalogue : public ::testing::Test {
protected:
    void bitmap(const std::string& base, int width) {
        bmp::writeFile(Bitmap(width, 2), images.dir() + base + ".bmp");
    }
    std::string write(const std::string& utf8Text) {
        const std::string path = config.dir() + "actionList.dat";
        test::writeText(path, Utf8ToShiftJis(utf8Text));
        return path;
    }
    TThActionObjectManager load(const std::string& utf8Text) { return {write(utf8Text), images.dir()}; }

    test::TempFolder config;
    test::TempFolder images;
};

TEST_F(Catalogue, RowsBecomeEntries) {
    for (const char* base : {"apZoomIN", "ApZoomOut", "apZoom", "asTopC", "d", "名前", "x"})
        bitmap(base, 3);
    const struct {
        std::string line;
        bool isPicture;
        std::string name;
        int pic;
        int str;
    } cases[] = {
        {"0,ズームイン,apZoomIN,d", true, "ズームイン", 1, 0},
        {"1,上・中央,asTopC,d", false, "上・中央", 0, 5},
        {"00,上,asTopC,d", false, "上", 0, 5},  // the kind is a text comparison
        {"0.0,上,asTopC,d", false, "上", 0, 5},
        {"0,out,ApZoomOut,d", true, "out", 2, 0},
        {"0,zoom,apZoom,d", true, "zoom", 255, 0},
        {"1,zoom,apZoomIN,d", false, "zoom", 0, 255},  // a picture member named by a text entry
        {"0,\"ズーム イン\",apZoomIN,d", true, "ズーム イン", 1, 0},
        {"0,ズーム 名前,apZoomIN,d", true, "ズーム", 255, 0},  // unquoted blank shifts the fields
        {"0,a,apZoomIN,d,", true, "a", 1, 0},
        {"0,a,apZoomIN,d,x,y", true, "a", 1, 0},
    };
    for (const auto& c : cases) {
        const TThActionObjectManager actions = load(c.line + "\r\n");
        ASSERT_EQ(actions.Count(), 1) << c.line;
        const TThActionObject& entry = actions.Items(0);
        EXPECT_EQ(entry.IsPicture, c.isPicture) << c.line;
        EXPECT_EQ(entry.Name, c.name) << c.line;
        EXPECT_EQ(entry.PicType, c.pic) << c.line;
        EXPECT_EQ(entry.StrType, c.str) << c.line;
        EXPECT_EQ(entry.Icon.width(), 3) << c.line;
    }
}

TEST_F(Catalogue, ErrorsNameTheFileAndTheLine) {
    bitmap("apZoomIN", 3);
    bitmap("d", 3);
    test::writeBytes(images.path() / "broken.bmp", {'B', 'M', 1, 2, 3});
    const std::string good = "0,a,apZoomIN,d\r\n";
    const struct {
        std::string text;
        std::string expected;  // besides the file's path
    } cases[] = {
        {good + "\r\n" + good, "line 2"},
        {good + good + "0,a,apZoomIN", "line 3"},
        {"   \r\n", "line 1"},
        {good + "0,a,apZoomIN,missing", "missing.bmp"},
        {"0,a,nothing,d", "nothing.bmp"},
        {good + "0,a,apZoomIN,broken", "broken.bmp"},
        {"0,\x82,apZoomIN,d", "line 1"},  // a lead byte without its trail byte
    };
    for (const auto& c : cases) {
        const std::string path = config.dir() + "actionList.dat";
        test::writeText(path, c.text);  // ASCII, or raw bytes on purpose
        try {
            TThActionObjectManager actions(path, images.dir());
            ADD_FAILURE() << "loaded: " << c.text;
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(path), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
    }
    EXPECT_THROW(TThActionObjectManager(config.dir() + "none.dat", images.dir()), Error);
}

TEST_F(Catalogue, LookupsScanInCatalogueOrder) {
    bitmap("asTopC", 1);
    bitmap("apZoomIN", 2);
    bitmap("apZoom", 3);
    bitmap("asBottomR", 4);
    bitmap("d", 9);
    const TThActionObjectManager actions = load(
        "1,同じ,asTopC,d\r\n"
        "0,同じ,apZoomIN,apZoomIN\r\n"
        "0,謎,apZoom,d\r\n"
        "1,下,asBottomR,d");
    ASSERT_EQ(actions.Count(), 4);
    const struct {
        bool picture;
        std::uint8_t value;
        bool wantIcon;
        int width;  // 0: none
    } cases[] = {
        {true, apNone, true, 1},  // the text entry before any picture entry answers 0
        {true, apZoomIN, true, 2},    {true, apZoomIN, false, 2}, {true, 255, true, 3},
        {true, apCurtainLeft, true, 0}, {false, asNone, true, 2}, {false, asTopC, true, 1},
        {false, asTopC, false, 9},    {false, asBottomR, true, 4}, {false, asCenterL, true, 0},
    };
    for (const auto& c : cases) {
        const Bitmap* found = c.picture ? actions.PicBitmap(c.value, c.wantIcon) : actions.StrBitmap(c.value, c.wantIcon);
        if (c.width == 0) {
            EXPECT_EQ(found, nullptr) << int(c.value);
        } else {
            ASSERT_NE(found, nullptr) << int(c.value);
            EXPECT_EQ(found->width(), c.width) << int(c.value);
        }
    }
    EXPECT_EQ(actions.FindByName("同じ"), &actions.Items(0));
    EXPECT_EQ(actions.FindByName("下"), &actions.Items(3));
    EXPECT_EQ(actions.FindByName("下 "), nullptr);
    EXPECT_THROW(actions.Items(4), ListIndexError);
    EXPECT_THROW(actions.Items(-1), ListIndexError);
}

// The copy for dense screens is taken only when it reads, has twice the pixels and shows the
// same picture; otherwise the entry loads without it.
TEST_F(Catalogue, SharpCopiesAreOptional) {
    const auto file = [](int width, int height, Color color) {
        Bitmap bitmap(width, height);
        bitmap.fillBgr24(color);
        return png::encode(bitmap);
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> sharp;  // empty: no file
        bool taken;
    } cases[] = {
        {"twice the size", file(6, 4, 0x000000), true},
        {"nearly the same", file(6, 4, 0x070707), true},
        {"absent", {}, false},
        {"same size", file(3, 2, 0x000000), false},
        {"another picture", file(6, 4, 0x090909), false},
        {"unreadable", {0x89, 'P', 'N', 'G', 1, 2, 3}, false},
    };
    bitmap("apZoomIN", 3);
    bitmap("d", 3);
    for (const auto& c : cases) {
        for (const char* file : {"apZoomIN@2x.png", "d@2x.png"}) {
            std::filesystem::remove(images.path() / file);
            if (!c.sharp.empty())
                test::writeBytes(images.path() / file, c.sharp);
        }
        const TThActionObjectManager actions = load("0,a,apZoomIN,d\r\n");
        const TThActionObject& entry = actions.Items(0);
        EXPECT_EQ(entry.SharpIcon.width(), c.taken ? 6 : 0) << c.name;
        EXPECT_EQ(entry.SharpDescription.width(), c.taken ? 6 : 0) << c.name;
        EXPECT_EQ(actions.SharpCopyOf(entry.Icon), c.taken ? &entry.SharpIcon : nullptr) << c.name;
        EXPECT_EQ(actions.SharpCopyOf(entry.Description), c.taken ? &entry.SharpDescription : nullptr) << c.name;
    }
    EXPECT_EQ(TThActionObjectManager().SharpCopyOf(Bitmap(6, 4)), nullptr);
}

}  // namespace
}  // namespace kalidor
