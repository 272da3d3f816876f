#include "cli/cli_runner.h"
#include "model/pic_object.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalidor {
namespace {

using test::runCli;
using test::TempFolder;
namespace fs = std::filesystem;

void makeProject(const std::string& dir) {
    jpeg::writeFile(Bitmap(64, 48), dir + "a.jpg", 90);
    TThPicObjectManager project;
    project.ProjectDir = dir;
    project.SaveFilePath = dir + "movie.MP4";
    auto p = std::make_unique<TThPicObject>();
    p->PicturePath = dir + "a.jpg";
    p->DisplayTime = 3;
    project.Add(std::move(p));
    project.SaveProject();
}

TEST(CliExport, DryRunPrintsTheEncoderLineWithTheOverrides) {
    TempFolder dir;
    makeProject(dir.dir());
    test::writeText(dir.path() / "song.mp3", "");
    const auto r = runCli({"export", dir.dir(), "--dry-run", "--format", "avi", "--size", "320x240", "--quality",
                           "3", "--music", dir.dir() + "song.mp3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "lib/ffmpeg -y -r 30 -i \"" + dir.dir() + "tmp/%6d.jpg\"  -i \"" + dir.dir() +
                         "song.mp3\"   -vcodec msmpeg4v2 -f avi   -acodec wmav2  -b 768kb  -ab 192kb -s 320x240 -t "
                         "3.1 \"" + dir.dir() + "movie.AVI\"\n");
    // Nothing ran and the project file keeps its own settings.
    EXPECT_FALSE(fs::exists(dir.path() / "tmp"));
    TThPicObjectManager m;
    m.LoadProject(dir.dir() + "project.dat");
    EXPECT_EQ(m.MovType, 0);
    EXPECT_EQ(m.MovWidth, 640);
}

TEST(CliExport, RefusesBadSettingsBeforeAnythingRuns) {
    TempFolder dir;
    makeProject(dir.dir());
    struct Case {
        std::vector<std::string> options;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"--size", "99x480"}, 1, "動画のサイズは100x100以上にしてください"},
        {{"--size", "2002x480"}, 1, "動画のサイズは2000x2000以下にしてください"},
        {{"--music", "/no/such/song.mp3"}, 1, "指定された音楽ファイルが見つかりません"},
        {{"--out", dir.dir() + "say \"hi\".mp4"}, 1, "\""},
        // The project's own files and its tmp/ are never a movie path.
        {{"--out", dir.dir() + "project.dat"}, 1, "（project.dat）は使えません"},
        {{"--out", dir.dir() + "thum.bmp"}, 1, "（thum.bmp）は使えません"},
        {{"--out", dir.dir() + "sub/../a.jpg"}, 1, "（a.jpg）は使えません"},
        {{"--out", dir.dir() + "tmp/m.mp4"}, 1, "作業フォルダ（tmp）は使えません"},
        {{"--out", ""}, 1, "保存場所を指定してください"},
        {{"--out", dir.dir() + "new/folder/m.mp4"}, 1, "保存先のフォルダがありません"},
        {{"--format", "mkv"}, 2, "--format"},
        {{"--quality", "5"}, 2, "--quality"},
        {{"--size", "640"}, 2, "--size"},
        {{"--bogus"}, 2, "--bogus"},
    };
    const auto files = test::filesIn(dir.path());
    for (const auto& c : cases) {
        std::vector<std::string> args{"export", dir.dir()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.options[0];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "tmp")) << c.options[0];
    }
    EXPECT_FALSE(fs::exists(dir.path() / "movie.MP4"));
    EXPECT_EQ(test::filesIn(dir.path()), files);  // nothing written, no folder made
    EXPECT_FALSE(fs::exists(dir.path() / "new"));
    EXPECT_EQ(runCli({"export"}).exitCode, 2);
}

}  // namespace
}  // namespace kalidor
