#include "model/pic_object.h"
#include "model/project_file.h"
#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

namespace kalidor {
namespace {

using test::readBytes;
using test::TempFolder;
using test::writeBytes;
using Bytes = std::vector<std::uint8_t>;

void append(Bytes& b, std::initializer_list<int> values) {
    for (int v : values)
        b.push_back(static_cast<std::uint8_t>(v));
}
void appendText(Bytes& b, const char* text) {
    for (const char* p = text; *p; ++p)
        b.push_back(static_cast<std::uint8_t>(*p));
}

// The project of the hand-written bytes below.
TThPicObjectManager smallProject(const std::string& dir) {
    TThPicObjectManager m;
    m.ProjectDir = dir;
    m.MovType = 1;
    m.MovQuality = 2;
    m.MovRatio = 1;
    m.MovWidth = 1280;
    m.MovHeight = 720;
    m.UseMusic = true;
    m.MusicFilePath = "/m/a b.mp3";
    m.SaveFilePath = "/o/映画.avi";
    auto p = std::make_unique<TThPicObject>();
    p->PicturePath = "/elsewhere/写真.jpg";  // stored by its file name only
    p->PicAction = apCurtainLeft;
    p->StrAction = asBottomC;
    p->DisplayTime = 5;
    p->Font.Size = 20;
    p->Font.Color = 0x000000FF;
    p->Font.Name = "ＭＳ ゴシック";
    p->Font.Style = fsBold | fsUnderline;
    m.Add(std::move(p));
    return m;
}

Bytes smallProjectBytes() {
    Bytes b;
    append(b, {18, 0, 0, 0});
    appendText(b, "PIC_OBJECT_VER1000");
    append(b, {1});           // MovType
    append(b, {2, 0, 0, 0});  // MovQuality and three unused bytes
    append(b, {1});           // MovRatio
    append(b, {0x00, 0x05, 0, 0, 0xD0, 0x02, 0, 0});
    append(b, {1});  // UseMusic
    append(b, {10, 0, 0, 0});
    appendText(b, "/m/a b.mp3");
    append(b, {11, 0, 0, 0, '/', 'o', '/', 0x89, 0x66, 0x89, 0xE6, '.', 'a', 'v', 'i'});
    append(b, {1, 0, 0, 0});  // one picture
    append(b, {8, 0, 0, 0, 0x8E, 0xCA, 0x90, 0x5E, '.', 'j', 'p', 'g'});
    append(b, {0, 0, 0, 0});  // empty thumbnail
    append(b, {0, 0, 0, 0});  // empty caption
    append(b, {3, 8});
    append(b, {5, 0, 0, 0});
    append(b, {20, 0, 0, 0, 0xFF, 0, 0, 0});
    append(b, {13, 0, 0, 0, 0x82, 0x6C, 0x82, 0x72, 0x20, 0x83, 0x53, 0x83, 0x56, 0x83, 0x62, 0x83, 0x4E});
    append(b, {5});
    return b;
}

TEST(ProjectFile, WritesTheExactBytes) {
    TempFolder dir;
    // No picture file exists, so thum.bmp cannot be made; project.dat is written first.
    EXPECT_THROW(smallProject(dir.dir()).SaveProject(), Error);
    EXPECT_EQ(readBytes(dir.path() / "project.dat"), smallProjectBytes());
}

TEST(ProjectFile, ReadsTheExactBytes) {
    TempFolder dir;
    writeBytes(dir.path() / "project.dat", smallProjectBytes());
    TThPicObjectManager m;
    ASSERT_TRUE(m.LoadProject(dir.dir() + "thum.bmp"));
    const TThPicObjectManager expected = smallProject(dir.dir());
    EXPECT_EQ(m.ProjectDir, dir.dir());
    EXPECT_EQ(m.MovType, 1);
    EXPECT_EQ(m.MovQuality, 2);
    EXPECT_EQ(m.MovRatio, 1);
    EXPECT_EQ(m.MovWidth, 1280);
    EXPECT_EQ(m.MovHeight, 720);
    EXPECT_TRUE(m.UseMusic);
    EXPECT_EQ(m.MusicFilePath, expected.MusicFilePath);
    EXPECT_EQ(m.SaveFilePath, expected.SaveFilePath);
    ASSERT_EQ(m.Count(), 1);
    const TThPicObject& p = m.Items(0);
    EXPECT_EQ(p.PicturePath, dir.dir() + "写真.jpg");
    EXPECT_TRUE(p.Thumbnail.empty());
    EXPECT_EQ(p.PicAction, apCurtainLeft);
    EXPECT_EQ(p.StrAction, asBottomC);
    EXPECT_EQ(p.DisplayTime, 5);
    EXPECT_EQ(p.Font, expected.Items(0).Font);
    EXPECT_FALSE(p.Selected);
}

TEST(ProjectFile, RoundTripKeepsEverything) {
    TempFolder dir;
    TThPicObjectManager m;
    m.ProjectDir = dir.dir();
    for (int i = 0; i < 3; ++i) {
        auto p = std::make_unique<TThPicObject>();
        p->PicturePath = dir.dir() + "pic" + std::to_string(i) + ".jpg";
        p->Text = i == 1 ? "" : "キャプション " + std::to_string(i);
        p->PicAction = static_cast<std::uint8_t>(i + 4);
        p->StrAction = static_cast<std::uint8_t>(9 - i);
        p->DisplayTime = 3 + i;
        p->Selected = true;
        p->Thumbnail = Bitmap(5, 3);
        p->Thumbnail.row(2)[14] = static_cast<std::uint8_t>(40 * i + 1);
        p->Font.Style = static_cast<std::uint8_t>(i);
        m.Add(std::move(p));
    }
    // thum.bmp needs the first picture; a BMP copy stands in for it.
    m.Items(0).PicturePath = dir.dir() + "pic0.bmp";
    bmp::writeFile(Bitmap(200, 100), dir.dir() + "pic0.bmp");
    ASSERT_TRUE(m.SaveProject());

    TThPicObjectManager back;
    back.LoadProject(dir.dir() + "thum.bmp");
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.Items(i).PicturePath, m.Items(i).PicturePath);
        EXPECT_EQ(back.Items(i).Thumbnail, m.Items(i).Thumbnail);
        EXPECT_EQ(back.Items(i).Text, m.Items(i).Text);
        EXPECT_EQ(back.Items(i).PicAction, m.Items(i).PicAction);
        EXPECT_EQ(back.Items(i).StrAction, m.Items(i).StrAction);
        EXPECT_EQ(back.Items(i).DisplayTime, m.Items(i).DisplayTime);
        EXPECT_EQ(back.Items(i).Font, m.Items(i).Font);
        EXPECT_FALSE(back.Items(i).Selected);
    }
    const Bitmap thumb = bmp::readFile(dir.dir() + "thum.bmp");
    EXPECT_EQ(thumb.width(), 148);
    EXPECT_EQ(thumb.height(), 74);
}

TEST(ProjectFile, EmptyProjectEndsAfterTheCountAndKeepsThumbnail) {
    TempFolder dir;
    test::writeText(dir.path() / "thum.bmp", "old thumbnail");
    TThPicObjectManager m;
    m.ProjectDir = dir.dir();
    m.SaveProject();
    const Bytes bytes = readBytes(dir.path() / "project.dat");
    ASSERT_EQ(bytes.size(), 22u + 1 + 4 + 1 + 8 + 1 + 4 + 4 + 4);
    EXPECT_EQ(Bytes(bytes.end() - 12, bytes.end()), Bytes(12, 0));
    EXPECT_EQ(test::readText(dir.path() / "thum.bmp"), "old thumbnail");
}

TEST(ProjectFile, MissingFileChangesOnlyTheFolder) {
    TempFolder dir;
    TThPicObjectManager m;
    m.MovWidth = 800;
    EXPECT_TRUE(m.LoadProject(dir.dir() + "thum.bmp"));
    EXPECT_EQ(m.ProjectDir, dir.dir());
    EXPECT_EQ(m.MovWidth, 800);
    EXPECT_EQ(m.Count(), 0);
}

TEST(ProjectFile, FailedSaveKeepsThePreviousFile) {
    TempFolder dir;
    writeBytes(dir.path() / "project.dat", smallProjectBytes());
    TThPicObjectManager m = smallProject(dir.dir());
    m.Items(0).Text = "絵文字 😀 は保存できない";
    EXPECT_THROW(m.SaveProject(), Error);
    EXPECT_EQ(readBytes(dir.path() / "project.dat"), smallProjectBytes());
    // Nothing but the project file is left in the folder: no stray temporary file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ProjectFile, DamagedFilesAreRefusedAndChangeNothing) {
    const Bytes good = smallProjectBytes();
    ASSERT_EQ(good.size(), 122u);
    struct Case {
        const char* name;
        Bytes bytes;
        std::string where = {};  // besides the file's name
    };
    std::vector<Case> cases;
    for (std::size_t cut : {0ul, 3ul, 21ul, 30ul, 60ul, good.size() - 1})
        cases.push_back({"truncated", Bytes(good.begin(), good.begin() + static_cast<long>(cut))});
    Bytes hugeString = good;
    hugeString[37] = 0xFF;  // music path length becomes 0x7FFFFF0A, far beyond the file
    hugeString[40] = 0x7F;
    cases.push_back({"huge string length", hugeString});
    Bytes negativeCount = Bytes(good.begin(), good.begin() + 66);
    append(negativeCount, {0xFF, 0xFF, 0xFF, 0xFF});
    cases.push_back({"negative picture count", negativeCount});
    Bytes manyPictures = good;
    manyPictures[66] = 0xFF;
    manyPictures[67] = 0xFF;
    manyPictures[68] = 0xFF;
    manyPictures[69] = 0x7F;
    cases.push_back({"count beyond the records", manyPictures});
    Bytes hugeThumbnail = good;
    hugeThumbnail[82] = 0xF0;
    hugeThumbnail[85] = 0x7F;
    cases.push_back({"huge thumbnail length", hugeThumbnail});
    Bytes negativeThumbnail = good;
    negativeThumbnail[85] = 0x80;
    cases.push_back({"negative thumbnail length", negativeThumbnail});
    Bytes badText = good;
    badText[45] = 0x85;  // a lead byte not used by code page 932
    badText[46] = 0x40;
    cases.push_back({"invalid Shift-JIS", badText});
    // The settings sit at fixed offsets after an 18-byte signature; a file of zeros is no project.
    cases.push_back({"zeros", Bytes(good.size(), 0), "signature length 0 is not 18 at offset 0"});
    for (const int length : {17, 19, -18}) {
        Bytes otherLength = good;
        otherLength[0] = static_cast<std::uint8_t>(length);
        otherLength[3] = length < 0 ? 0xFF : 0;
        cases.push_back({"other signature length", otherLength, "at offset 0"});
    }
    // A settings byte beyond its last choice; the last choice itself loads.
    const struct {
        std::size_t offset;
        int last;
        std::string field;
    } settings[] = {{22, 2, "movie format"}, {23, 4, "movie quality"}, {27, 1, "movie ratio"}, {36, 1, "music switch"}};
    for (const auto& s : settings) {
        for (const int value : {s.last + 1, 255}) {
            Bytes b = good;
            b[s.offset] = static_cast<std::uint8_t>(value);
            cases.push_back({"settings byte", b,
                             s.field + " " + std::to_string(value) + " is not 0 to " + std::to_string(s.last) +
                                 " at offset " + std::to_string(s.offset)});
        }
        Bytes last = good;
        last[s.offset] = static_cast<std::uint8_t>(s.last);
        TempFolder dir;
        writeBytes(dir.path() / "project.dat", last);
        TThPicObjectManager m;
        EXPECT_NO_THROW(m.LoadProject(dir.dir() + "thum.bmp")) << s.field;
        EXPECT_EQ(m.Count(), 1) << s.field;
    }

    // Bytes after the last picture: a damaged count or length, never a file the program wrote.
    // With both paths empty the count stands at offset 45; zeroed, the pictures follow it.
    TThPicObjectManager plain = smallProject("");
    plain.MusicFilePath = plain.SaveFilePath = "";
    const Bytes plainBytes = ProjectFileBytes(plain);
    ASSERT_EQ(plainBytes[45], 1);
    Bytes zeroedCount = plainBytes;
    zeroedCount[45] = 0;
    cases.push_back({"zeroed picture count", zeroedCount, "more bytes) at offset 49"});
    Bytes headThenZeros(plainBytes.begin(), plainBytes.begin() + 45);
    headThenZeros.resize(plainBytes.size(), 0);
    cases.push_back({"a valid head followed by zeros", headThenZeros, "at offset 49"});
    Bytes junkAfter = good;
    junkAfter.resize(good.size() + (1 << 20), 0xA5);
    cases.push_back({"a megabyte after a good file", junkAfter, "(1048576 more bytes) at offset 122"});

    for (const auto& c : cases) {
        TempFolder dir;
        writeBytes(dir.path() / "project.dat", c.bytes);
        TThPicObjectManager m;
        m.MovWidth = 321;
        try {
            m.LoadProject(dir.dir() + "thum.bmp");
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("project.dat"), std::string::npos) << c.name << ": " << e.what();
            if (!c.where.empty()) {
                EXPECT_NE(std::string(e.what()).find(c.where), std::string::npos) << c.name << ": " << e.what();
            }
        }
        EXPECT_EQ(m.MovWidth, 321) << c.name;
        EXPECT_EQ(m.Count(), 0) << c.name;
    }
    // Only a regular file is read: a folder or a FIFO is refused at once, not taken as empty.
    for (const bool fifo : {false, true}) {
        TempFolder dir;
        const std::filesystem::path file = dir.path() / "project.dat";
        fifo ? (void)::mkfifo(file.c_str(), 0600) : (void)std::filesystem::create_directory(file);
        TThPicObjectManager m;
        EXPECT_THROW(m.LoadProject(dir.dir() + "thum.bmp"), Error) << (fifo ? "fifo" : "folder");
    }
}

TEST(ProjectFile, SavingRemovesOnlyTheStaleTemporariesOfItsOwnFiles) {
    TempFolder dir;
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    const auto future = std::filesystem::file_time_type::clock::now() + std::chrono::hours(1);
    const struct {
        const char* name;
        bool old;
        bool removed;
    } cases[] = {
        {"project.dat.tmp-a1B2c3", true, true},  // left by a killed save
        {"thum.bmp.tmp-Zz9Zz9", true, true},
        {"project.dat.tmp-Q7w8E9", false, false},  // newer than this save: another one's
        {"project.dat.tmp-a1B2c", true, false},    // not the program's naming
        {"project.dat.tmp-a1B2c3d", true, false},
        {"project.dat.tmp-a1_2c3", true, false},
        {"other.dat.tmp-a1B2c3", true, false},
        {"project.dat.tmp-folder", true, false},  // a folder, not a file
    };
    for (const auto& c : cases) {
        const std::filesystem::path file = dir.path() / c.name;
        std::string(c.name).ends_with("folder") ? (void)std::filesystem::create_directory(file)
                                                : test::writeText(file, "partial");
        std::filesystem::last_write_time(file, c.old ? past : future);
    }
    TThPicObjectManager m;
    m.ProjectDir = dir.dir();
    ASSERT_TRUE(m.SaveProject());
    for (const auto& c : cases)
        EXPECT_EQ(std::filesystem::exists(dir.path() / c.name), !c.removed) << c.name;
}

TEST(ProjectFile, TheSignatureIsNotReadAsText) {
    Bytes odd = smallProjectBytes();
    odd[4] = 0x85;  // not Shift-JIS, and not the usual signature
    odd[5] = 0x40;
    TempFolder dir;
    writeBytes(dir.path() / "project.dat", odd);
    TThPicObjectManager m;
    EXPECT_NO_THROW(m.LoadProject(dir.dir() + "project.dat"));
    EXPECT_EQ(m.Count(), 1);
}

TEST(ProjectFile, OtherGraphicKindsAreSkipped) {
    Bytes b = smallProjectBytes();
    // Replace the empty thumbnail (offset 82) by a 3-byte kind-3 graphic.
    const Bytes graphic = {3, 0, 0, 0, 3, 0, 0, 0, 0xFF, 0xD8, 0xFF};
    b.erase(b.begin() + 82, b.begin() + 86);
    b.insert(b.begin() + 82, graphic.begin(), graphic.end());
    TempFolder dir;
    writeBytes(dir.path() / "project.dat", b);
    TThPicObjectManager m;
    m.LoadProject(dir.dir() + "thum.bmp");
    ASSERT_EQ(m.Count(), 1);
    EXPECT_TRUE(m.Items(0).Thumbnail.empty());
    EXPECT_EQ(m.Items(0).DisplayTime, 5);
}

TEST(ProjectFile, StoredNamesCannotLeaveTheProjectFolder) {
    Bytes b = smallProjectBytes();
    const Bytes name = {11, 0, 0, 0, '.', '.', '/', '.', '.', '/', 'x', '.', 'j', 'p', 'g'};
    b.erase(b.begin() + 70, b.begin() + 82);
    b.insert(b.begin() + 70, name.begin(), name.end());
    TempFolder dir;
    writeBytes(dir.path() / "project.dat", b);
    TThPicObjectManager m;
    m.LoadProject(dir.dir() + "thum.bmp");
    ASSERT_EQ(m.Count(), 1);
    EXPECT_EQ(m.Items(0).PicturePath, dir.dir() + "x.jpg");
}

}  // namespace
}  // namespace kalidor
