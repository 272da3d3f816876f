#include "model/export_start.h"

#include "model/pic_object.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace kalidor {
namespace {

using test::TempFolder;

TEST(ExportStart, FirstFailingCheckInOrderThenTheOverwriteQuestion) {
    TempFolder folder;
    const std::string d = folder.dir();
    test::writeText(folder.path() / "song.mp3", "");
    test::writeText(folder.path() / "old.MP4", "movie");
    test::writeText(folder.path() / "a.jpg", "");
    TThPicObjectManager project;
    project.ProjectDir = d + "project/";
    auto picture = std::make_unique<TThPicObject>();
    picture->PicturePath = d + "a.jpg";
    project.Add(std::move(picture));
    const std::string size100 = "動画のサイズは100x100以上にしてください";
    const std::string size2000 = "動画のサイズは2000x2000以下にしてください";
    const std::string noMusic = "指定された音楽ファイルが見つかりません";
    const std::string notAFile = "指定された音楽ファイルは通常のファイルではありません: ";
    std::filesystem::create_directory(folder.path() / "music");
    ::mkfifo((d + "fifo.mp3").c_str(), 0600);
    const std::string noPath = "保存場所を指定してください";
    const std::string own = "動画の保存先にプロジェクトのファイル（";
    const std::string ownTmp = "動画の保存先にプロジェクトの作業フォルダ（tmp）は使えません: ";
    const struct {
        int width, height;
        bool useMusic;
        std::string music, save;
        std::string refusal;  // empty: passes
        bool asks;
    } cases[] = {
        {99, 2001, true, "", "", size100, false},  // the size comes first
        {100, 2001, true, "", "", size2000, false},
        {2000, 2000, true, d + "none.mp3", "", noMusic, false},
        {640, 480, true, d + "music", "", "指定された音楽ファイルはフォルダです: " + d + "music", false},
        {640, 480, true, d + "fifo.mp3", "", notAFile + d + "fifo.mp3", false},
        {640, 480, true, "/dev/zero", "", notAFile + "/dev/zero", false},
        {100, 100, false, d + "none.mp3", " \t ", noPath, false},  // music off: its path untested
        {640, 480, true, d + "song.mp3", d + "a\"b.MP4", "動画の保存先に使えない文字", false},
        {640, 480, false, "", d + "a.jpg", own, false},
        {640, 480, false, "", d + "project/project.dat", own, false},
        {640, 480, false, "", d + "project/tmp/m.MP4", ownTmp, false},
        {640, 480, false, "", d + "project/../project/tmp/x/m.MP4", ownTmp, false},
        {640, 480, false, "", d + "project/tmpfile.MP4", "", false},
        {640, 480, true, d + "song.mp3", d + "new/m.MP4", "", false},
        {640, 480, false, "", d + "old.MP4", "", true},
    };
    for (const auto& c : cases) {
        MovieSettingsPage page;
        page.width = c.width;
        page.height = c.height;
        page.useMusic = c.useMusic;
        page.musicFilePath = c.music;
        page.saveFilePath = c.save;
        const ExportStartCheck check = CheckExportStart(page, project);
        if (c.refusal.empty())
            EXPECT_FALSE(check.refusal.has_value()) << c.save << ": " << check.refusal->Japanese();
        else
            EXPECT_EQ(check.refusal.value_or("").Japanese().rfind(c.refusal, 0), 0u)
                << c.save << ": " << check.refusal.value_or("").Japanese();
        EXPECT_EQ(check.overwriteQuestion.has_value(), c.asks) << c.save;
    }
    EXPECT_EQ(OverwriteQuestion(d + "old.MP4").Japanese(), "old.MP4は既に存在します。\r\n上書きしてもよろしいですか？");
}

TEST(ExportStart, MovieFolderIsMadeWithItsParents) {
    TempFolder folder;
    const std::string movie = folder.dir() + "a/b/m.MP4";
    EXPECT_EQ(MovieFolderOf(movie), folder.dir() + "a/b/");
    EXPECT_TRUE(MakeMovieFolder(movie));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "a" / "b"));
    test::writeText(folder.path() / "file", "");
    EXPECT_FALSE(MakeMovieFolder(folder.dir() + "file/m.MP4"));
}

}  // namespace
}  // namespace kalidor
