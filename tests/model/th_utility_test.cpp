#include "model/pic_object.h"
#include "model/th_utility.h"
#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kalidor {
namespace {

using namespace ThUtility;
using test::TempFolder;
using test::writeText;
namespace fs = std::filesystem;

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

TEST(ThUtility, ListingsWalkDepthFirst) {
    TempFolder dir;
    fs::create_directories(dir.path() / "a" / "deep");
    fs::create_directories(dir.path() / "b");
    writeText(dir.path() / "top.txt", "");
    writeText(dir.path() / "a" / "one.txt", "");
    writeText(dir.path() / "a" / "deep" / "two.txt", "");
    writeText(dir.path() / "b" / "three.txt", "");
    fs::create_symlink(dir.path() / "b", dir.path() / "link-to-b");

    std::vector<std::string> files;
    ListFiles(dir.dir(), files, false);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{dir.dir() + "link-to-b", dir.dir() + "top.txt"}));

    files.clear();
    ListFiles(dir.dir(), files, true);
    EXPECT_EQ(files.size(), 5u);
    // A subfolder's files come together, where the subfolder was met.
    auto first = std::find_if(files.begin(), files.end(), [&](auto& f) { return startsWith(f, dir.dir() + "a/"); });
    EXPECT_TRUE(std::all_of(first, first + 2, [&](auto& f) { return startsWith(f, dir.dir() + "a/"); }));

    std::vector<std::string> folders;
    ListFolders(dir.path().string(), folders, true);  // without the trailing '/'
    ASSERT_EQ(folders.size(), 3u);
    const auto a = std::find(folders.begin(), folders.end(), dir.dir() + "a");
    const auto deep = std::find(folders.begin(), folders.end(), dir.dir() + "a/deep");
    ASSERT_NE(a, folders.end());
    EXPECT_LT(a, deep);

    std::vector<std::string> none;
    ListFiles(dir.dir() + "missing", none, true);
    ListFolders(dir.dir() + "missing", none, true);
    EXPECT_TRUE(none.empty());
}

TEST(ThUtility, CopyFileMakesFoldersAndOverwrites) {
    TempFolder dir;
    writeText(dir.path() / "src.txt", "new");
    writeText(dir.path() / "dst.txt", "old content");
    EXPECT_TRUE(CopyFile(dir.dir() + "src.txt", dir.dir() + "dst.txt"));
    EXPECT_EQ(test::readText(dir.path() / "dst.txt"), "new");
    EXPECT_TRUE(CopyFile(dir.dir() + "src.txt", dir.dir() + "x/y/z.txt"));
    EXPECT_EQ(test::readText(dir.path() / "x/y/z.txt"), "new");
    EXPECT_FALSE(CopyFile(dir.dir() + "missing.txt", dir.dir() + "m.txt"));
}

TEST(ThUtility, DeleteFolderTreeRemovesEverything) {
    TempFolder dir;
    const fs::path tree = dir.path() / "tmp";
    fs::create_directories(tree / "a" / "b" / "c");
    fs::create_directories(tree / "A-b");
    writeText(tree / "a" / "b" / "c" / "f.jpg", "x");
    writeText(tree / "a" / "g.jpg", "x");
    writeText(tree / "h.bmp", "x");
    // A link to outside the tree is removed, never followed.
    fs::create_directories(dir.path() / "outside");
    writeText(dir.path() / "outside" / "keep.txt", "x");
    fs::create_directory_symlink(dir.path() / "outside", tree / "a" / "link");
    EXPECT_TRUE(DeleteFolderTree(tree.string() + "/"));
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::exists(dir.path() / "outside" / "keep.txt"));
    EXPECT_FALSE(DeleteFolderTree((dir.path() / "never").string()));
    // The folder itself a link: the link goes, what it points to stays.
    fs::create_directory_symlink(dir.path() / "outside", tree);
    EXPECT_TRUE(DeleteFolderTree(tree.string() + "/"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_TRUE(fs::exists(dir.path() / "outside" / "keep.txt"));
}

// A file that cannot be deleted makes the result false; everything else still goes.
TEST(ThUtility, DeleteFolderTreeGoesOnPastFailures) {
    TempFolder dir;
    const fs::path tree = dir.path() / "tree";
    fs::create_directories(tree / "locked");
    fs::create_directories(tree / "free" / "inner");
    writeText(tree / "locked" / "stuck.txt", "x");
    writeText(tree / "free" / "inner" / "gone.txt", "x");
    writeText(tree / "gone.txt", "x");
    chmod((tree / "locked").c_str(), 0555);
    EXPECT_EQ(test::runWithoutRoot(dir.path(), [&] { return DeleteFolderTree(tree.string()) ? "all" : "some"; }), "some");
    EXPECT_TRUE(fs::exists(tree / "locked" / "stuck.txt"));
    EXPECT_FALSE(fs::exists(tree / "gone.txt"));
    EXPECT_FALSE(fs::exists(tree / "free"));
}

TEST(ThUtility, UniqueFileNameCountsUp) {
    TempFolder dir;
    EXPECT_EQ(UniqueFileName(dir.dir(), "a.jpg"), dir.dir() + "a.jpg");
    writeText(dir.path() / "a.jpg", "");
    writeText(dir.path() / "a(1).jpg", "");
    EXPECT_EQ(UniqueFileName(dir.dir(), "a.jpg"), dir.dir() + "a(2).jpg");
    writeText(dir.path() / "readme", "");
    EXPECT_EQ(UniqueFileName(dir.path().string(), "readme"), dir.dir() + "readme(1)");
    writeText(dir.path() / "写真 1.tar.gz", "");
    EXPECT_EQ(UniqueFileName(dir.dir(), "写真 1.tar.gz"), dir.dir() + "写真 1.tar(1).gz");
    // A project's own names are never free, in any case, whether or not they exist yet.
    const struct {
        const char* name;
        const char* free;
    } own[] = {{"thum.bmp", "thum(1).bmp"}, {"THUM.BMP", "THUM(1).BMP"}, {"project.dat", "project(1).dat"},
               {"tmp", "tmp(1)"},           {"thum.bmp.jpg", "thum.bmp.jpg"}, {"tmp.png", "tmp.png"}};
    for (const auto& c : own)
        EXPECT_EQ(UniqueFileName(dir.dir(), c.name, kProjectOwnNames), dir.dir() + c.free) << c.name;
}

TEST(ThUtility, FittedSizes) {
    struct Case {
        int w, h, bw, bh;
        Size expected;
    } cases[] = {
        {400, 300, 148, 148, {148, 111}},
        {300, 400, 148, 148, {111, 148}},
        {100, 100, 148, 148, {148, 148}},
        {1, 1000, 148, 148, {1, 148}},  // rounds to 0, kept at 1
        {1000, 1, 148, 148, {148, 1}},
        {296, 1, 148, 148, {148, 1}},  // 0.5 rounds to even: 0, kept at 1
        {200, 100, 100, 30, {60, 30}},  // landscape that overflows the box height
        {100, 300, 20, 100, {20, 60}},  // portrait that overflows the box width
    };
    for (const auto& c : cases)
        EXPECT_EQ(FittedSize(c.w, c.h, c.bw, c.bh), c.expected) << c.w << "x" << c.h;
}

TEST(ThUtility, LoadImageByExtension) {
    TempFolder dir;
    Bitmap picture(8, 6);
    picture.fillBgr24(0x00FFFFFF);
    const auto jpegBytes = jpeg::encode(picture, 90);
    test::writeBytes(dir.path() / "mixed.Jpeg", jpegBytes);
    test::writeBytes(dir.path() / "upper.JPG", jpegBytes);
    bmp::writeFile(picture, dir.dir() + "p.bmp");
    writeText(dir.path() / "anim.gif", "GIF89a");

    Bitmap b;
    LoadImageFile(dir.dir() + "mixed.Jpeg", b);
    EXPECT_EQ(b.width(), 8);
    LoadImageFile(dir.dir() + "upper.JPG", b);
    EXPECT_EQ(b.height(), 6);
    LoadImageFile(dir.dir() + "p.bmp", b);
    EXPECT_EQ(b, picture);
    LoadImageFile(dir.dir() + "anim.gif", b);
    EXPECT_TRUE(b.empty());
    // A codec's error names the file.
    writeText(dir.path() / "broken.jpg", "not a jpeg");
    try {
        LoadImageFile(dir.dir() + "broken.jpg", b);
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("broken.jpg"), std::string::npos) << e.what();
    }

    Bitmap fitted;
    EXPECT_TRUE(LoadImageFitted(dir.dir() + "p.bmp", 148, 148, fitted));
    EXPECT_EQ(fitted.width(), 148);
    EXPECT_EQ(fitted.height(), 111);
    std::vector<std::string> shown;
    EXPECT_FALSE(LoadImageFitted(dir.dir() + "anim.gif", 148, 148, fitted,
                                 [&](const std::string& message) { shown.push_back(message); }));
    EXPECT_TRUE(fitted.empty());
    EXPECT_EQ(shown, std::vector<std::string>{kUnsupportedImageMessage});
}

// Only regular files are read, and no more of them than it takes to see they are not pictures.
TEST(ThUtility, LoadImageReadsOnlyRegularFilesAndNoMoreThanNeeded) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.jpg").c_str(), 0600), 0);  // would block forever
    fs::create_symlink("/dev/zero", dir.path() / "zero.jpg");         // would never end
    {
        // 4 GiB that are not a JPEG, without the disk space (a sparse file).
        std::FILE* f = std::fopen((dir.path() / "huge.jpg").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(::ftruncate(::fileno(f), 4LL << 30), 0);
        std::fclose(f);
    }
    const struct {
        const char* name;
        const char* says;
    } cases[] = {{"pipe.jpg", "not a regular file"}, {"zero.jpg", "not a regular file"}, {"huge.jpg", "JPEG"}};
    for (const auto& c : cases) {
        Bitmap b;
        try {
            LoadImageFile(dir.dir() + c.name, b);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
        }
    }
}

TEST(ThUtility, EncodedUpToText) {
    EXPECT_EQ(EncodedUpToText(0).Japanese(), "00時間00分00秒までの動画を変換完了");
    EXPECT_EQ(EncodedUpToText(59).Japanese(), "00時間00分59秒までの動画を変換完了");
    EXPECT_EQ(EncodedUpToText(3725).Japanese(), "01時間02分05秒までの動画を変換完了");
    EXPECT_EQ(EncodedUpToText(100 * 3600).Japanese(), "100時間00分00秒までの動画を変換完了");
}

}  // namespace
}  // namespace kalidor
