#include "model/pic_object.h"
#include "model/project_list.h"
#include "model/project_tile_layout.h"
#include "imaging/bmp_codec.h"
#include "platform/folder_lock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::writeText;

TEST(ProjectList, NameChecksRunInTheirOrder) {
    TempFolder root;
    fs::create_directory(root.path() / "旅行");
    const std::string tooLong = kNameTooLongMessage;
    const std::string badChar = kBadCharacterMessage;
    struct Case {
        std::string name;
        std::string message;
    } cases[] = {
        {"", kEnterNameMessage},
        {" \t ", kEnterNameMessage},
        {" 旅行", ""},  // checked and used as typed, blank included
        {"旅行", "「旅行」は既に存在するプロジェクトです"},
        {"..", "「..」は既に存在するプロジェクトです"},
        {"a/b", badChar},
        {"a|b", badChar},
        {"a\\b", badChar},
        {"旅行?", badChar},  // exists only with the mark: the mark is what fails
        {"ソ表ポ", ""},        // second Shift-JIS bytes 0x5C, 0x5C, 0x7C
        {"一二三四五六七八九十", ""},
        {"一二三四五六七八九十壱", tooLong},
        {std::string(20, 'a'), ""},
        {std::string(21, 'a'), tooLong},
        {"ｱｲｳｴｵｶｷｸｹｺｱｲｳｴｵｶｷｸｹｺ", ""},  // half-width kana count one byte each
        {"a\U0001F600", "プロジェクト名に「\U0001F600」の文字は使用できません"},
        {"<\U0001F600", badChar},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckProjectName(c.name, root.dir()).Japanese(), c.message) << c.name;
}

TEST(ProjectList, ListsFoldersSortedAndNeverLinksOrFiles) {
    TempFolder root, outside;
    for (const char* name : {"b", "a", "c"}) fs::create_directory(root.path() / name);
    writeText(root.path() / "thum.bmp", "");
    fs::create_directory_symlink(outside.path(), root.path() / "link");
    const auto entries = ListProjectEntries(root.dir());
    ASSERT_EQ(entries, (std::vector<std::string>{root.dir() + "a/thum.bmp", root.dir() + "b/thum.bmp", root.dir() + "c/thum.bmp"}));
    EXPECT_EQ(ProjectFolderOf(entries[1]), root.dir() + "b/");
    EXPECT_EQ(ProjectNameOf(entries[1]), "b");
}

TEST(ProjectList, NewRenameAndDeleteStayInsideTheRoot) {
    TempFolder root, outside;
    writeText(root.path() / "thum.bmp", "default");
    writeText(outside.path() / "keep.txt", "keep");

    ASSERT_EQ(CreateProject(root.dir(), "新しい"), "");
    EXPECT_EQ(test::readText(root.path() / "新しい" / "thum.bmp"), "default");
    EXPECT_NE(CreateProject(root.dir(), "新しい"), "");
    EXPECT_NE(CreateProject(root.dir(), "../escape"), "");

    ASSERT_EQ(CreateProject(root.dir(), "other"), "");
    EXPECT_NE(RenameProject(root.dir(), "新しい", "other"), "");  // never replaces
    ASSERT_EQ(RenameProject(root.dir(), "新しい", "改名"), "");
    EXPECT_TRUE(fs::exists(root.path() / "改名" / "thum.bmp"));

    // Links inside a project, or in place of one, are removed without touching their target.
    fs::create_directory_symlink(outside.path(), root.path() / "改名" / "inner");
    fs::create_directory_symlink(outside.path(), root.path() / "linked");
    EXPECT_EQ(DeleteProject(root.dir(), "改名"), "");
    EXPECT_EQ(DeleteProject(root.dir(), "linked"), "");
    EXPECT_NE(DeleteProject(root.dir(), ".."), "");
    EXPECT_FALSE(fs::exists(root.path() / "改名"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(root.path() / "linked")));
    EXPECT_EQ(test::readText(outside.path() / "keep.txt"), "keep");
    EXPECT_TRUE(fs::exists(root.path() / "other"));
}

// Where a folder cannot be written, new, rename and delete say why, and a project is deleted
// whole or not at all.
TEST(ProjectList, FailuresSayWhyAndLeaveProjectsWhole) {
    struct Case {
        const char* locked;  // made read-only, relative to the root
        const char* call;
        const char* said;    // the start of the reason
    } const cases[] = {
        {".", "new", "cannot make "},
        {".", "rename", "cannot rename "},
        {".", "delete", "cannot delete "},
        {"p/sub", "delete", "cannot delete "},
    };
    for (const Case& c : cases) {
        TempFolder scratch;
        const fs::path root = scratch.path() / "project";
        fs::create_directories(root / "p" / "sub");
        writeText(root / "p" / "a.jpg", "a");
        writeText(root / "p" / "sub" / "b.txt", "b");
        const auto treeOfP = [&] {
            std::set<std::string> entries;
            for (const auto& entry : fs::recursive_directory_iterator(root / "p")) entries.insert(entry.path().string());
            return entries;
        };
        const auto before = treeOfP();
        const std::string said = test::runWithoutRoot(scratch.path(), [&] {
            fs::permissions(root / c.locked, fs::perms::owner_write, fs::perm_options::remove);
            const std::string call = c.call;
            return call == "new"      ? CreateProject(root.string(), "q")
                   : call == "rename" ? RenameProject(root.string(), "p", "r")
                                      : DeleteProject(root.string(), "p");
        });
        EXPECT_EQ(said.rfind(c.said, 0), 0u) << c.locked << " " << c.call << ": " << said;
        EXPECT_NE(said.find("Permission denied"), std::string::npos) << said;
        EXPECT_EQ(treeOfP(), before) << c.locked << " " << c.call;
    }
}

// An export holds the project folder's lock: rename and delete refuse then and touch nothing,
// and opening leaves its frames alone; once it is gone, its tmp/ goes when the project opens.
TEST(ProjectList, RenameDeleteAndOpenHonourARunningExport) {
    const struct {
        std::string call;
        bool exporting, projectStays, tmpStays;
    } cases[] = {
        {"rename", true, true, true}, {"rename", false, false, true}, {"delete", true, true, true},
        {"delete", false, false, false}, {"open", true, true, true},  {"open", false, true, false},
    };
    for (const auto& c : cases) {
        TempFolder root;
        fs::create_directories(root.path() / "p" / "tmp");
        writeText(root.path() / "p" / "project.dat", "p");
        writeText(root.path() / "p" / "tmp" / "000001.jpg", "frame");
        std::string said;
        {
            std::optional<FolderLock> exportLock;
            if (c.exporting) exportLock.emplace(root.dir() + "p");
            if (c.call == "rename") said = RenameProject(root.dir(), "p", "q");
            else if (c.call == "delete") said = DeleteProject(root.dir(), "p");
            else RemoveLeftoverFrames(root.dir() + "p/");
        }
        const std::string label = c.call + (c.exporting ? " while exporting" : "");
        const bool refused = c.exporting && c.call != "open";
        EXPECT_EQ(said, refused ? "cannot " + c.call + " " + root.dir() + "p: an export of this project is running" : "") << label;
        EXPECT_EQ(fs::exists(root.path() / "p" / "project.dat"), c.projectStays) << label;
        const fs::path folder = root.path() / (c.call == "rename" && !c.exporting ? "q" : "p");
        EXPECT_EQ(fs::exists(folder / "tmp" / "000001.jpg"), c.tmpStays) << label;
    }
}

TEST(ProjectList, TileGivesTheThumbnailOrTheReasonAndWritesNothing) {
    TempFolder root;
    Bitmap picture(111, 148);
    const auto bmp = bmp::encode(picture);
    struct Case {
        const char* name;
        bool thumbnail;
        const char* projectDat;  // nullptr: none
        bool sound;
    } cases[] = {
        {"plain", true, nullptr, true},
        {"no-thumbnail", false, nullptr, false},
        {"damaged", true, "not a project", false},
    };
    for (const Case& c : cases) {
        const fs::path folder = root.path() / c.name;
        fs::create_directory(folder);
        if (c.thumbnail) test::writeBytes(folder / "thum.bmp", bmp);
        if (c.projectDat) writeText(folder / "project.dat", c.projectDat);
        const auto before = test::filesIn(folder);
        const ProjectTile tile = LoadProjectTile(folder.string() + "/thum.bmp");
        EXPECT_EQ(tile.problem.empty(), c.sound) << c.name << ": " << tile.problem;
        EXPECT_EQ(tile.thumbnail.width(), c.sound ? 111 : 0) << c.name;
        EXPECT_EQ(test::filesIn(folder), before) << c.name;
    }
}

// A dense screen's tile fits the first picture again at twice the size, only while it shows what
// thum.bmp shows.
TEST(ProjectList, TileForADenseScreenShowsWhatTheThumbnailShows) {
    TempFolder root;
    const std::string dir = root.dir() + "p/";
    fs::create_directory(dir);
    const auto writePicture = [&](Color colour) {
        Bitmap picture(300, 200);
        picture.fillBgr24(colour);
        bmp::writeFile(picture, dir + "a.bmp");
    };
    writePicture(0x00336699);
    TThPicObjectManager project;
    project.ProjectDir = dir;
    auto picture = std::make_unique<TThPicObject>();
    picture->PicturePath = dir + "a.bmp";
    project.Add(std::move(picture));
    project.SaveProject();
    struct Case {
        const char* name;
        int scale;
        Color picture;  // the first picture's colour now; thum.bmp was made from 0x336699
        int sharpWidth;
    } cases[] = {
        {"scale 1", 1, 0x00336699, 0},
        {"scale 2", 2, 0x00336699, 296},
        {"picture changed since", 2, 0x00996633, 0},
    };
    for (const Case& c : cases) {
        writePicture(c.picture);
        const ProjectTile tile = LoadProjectTile(dir + "thum.bmp", c.scale);
        EXPECT_EQ(tile.thumbnail.width(), 148) << c.name;
        EXPECT_EQ(tile.sharpThumbnail.width(), c.sharpWidth) << c.name;
        EXPECT_NEAR(tile.sharpThumbnail.height(), c.sharpWidth ? 197 : 0, 1) << c.name;
    }
}

TEST(ProjectTileLayout, BoxAndThumbnailPlaces) {
    const TileRect box = ThumbnailBox({10, 20, 166, 172});  // 156 x 152 icon area
    EXPECT_EQ(box, (TileRect{14, 22, 162, 170}));
    struct Case {
        int w, h;
        TilePoint at;
    } cases[] = {
        {111, 148, {14 + 18, 22}},    // portrait, full height: at the top
        {100, 120, {14 + 24, 22 + 14}},
        {100, 300, {14 + 24, 22}},
        {148, 111, {14, 22 + 18}},
        {200, 100, {14, 22 + 24}},    // wider than the box: at its left
        {148, 148, {14, 22}},
        {120, 120, {14 + 14, 22 + 14}},
    };
    for (const Case& c : cases) EXPECT_EQ(ThumbnailOrigin(box, c.w, c.h), c.at) << c.w << "x" << c.h;
}

TEST(ProjectTileLayout, NamesAreCentredOrCutWholeCharacters) {
    // Widths: an ASCII letter 10, any other character 15.
    const auto width = [](std::string_view text) {
        int w = 0;
        for (unsigned char c : text)
            if (c < 0x80) w += 10;
            else if ((c & 0xC0) != 0x80) w += 15;
        return w;
    };
    struct Case {
        std::string name;
        int max;
        std::string shown;
    } cases[] = {
        {"abc", 30, "abc"},
        {"abcd", 30, "abc"},
        {"aあいう", 39, "aあ"},  // "aあい" would need 40
        {"あいうえ", 44, "あい"},
        {"あ", 10, ""},
        {"", 10, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FitName(c.name, c.max, width), c.shown) << c.name;
    const TileRect box{14, 22, 162, 170};
    EXPECT_EQ(NameLeft(box, 40), 14 + 74 - 20);
    EXPECT_EQ(NameLeft(box, 41), 14 + 74 - 20);
    EXPECT_EQ(NameLeft(box, 148), 14);
    EXPECT_EQ(NameLeft(box, 149), 14);
}

}  // namespace
}  // namespace kalidor
