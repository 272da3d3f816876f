#include "cli/cli_runner.h"
#include "model/pic_object.h"
#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

namespace kalidor {
namespace {

using test::runCli;
using test::TempFolder;
namespace fs = std::filesystem;

// A 160 x 120 project of a 3-second zoom and a 4-second curtain, with captions.
void makeProject(const std::string& dir, const std::string& secondPicture = "b.bmp") {
    Bitmap a(200, 150), b(120, 160);
    a.fillBgr24(0x00336699);
    b.fillBgr24(0x00FFCC00);
    jpeg::writeFile(a, dir + "a.jpg", 90);
    bmp::writeFile(b, dir + "b.bmp");
    TThPicObjectManager project;
    project.ProjectDir = dir;
    project.MovWidth = 160;
    project.MovHeight = 120;
    auto first = std::make_unique<TThPicObject>();
    first->PicturePath = dir + "a.jpg";
    first->DisplayTime = 3;
    first->PicAction = apZoomIN;
    first->Text = "はじめ";
    first->StrAction = asBottomC;
    project.Add(std::move(first));
    auto second = std::make_unique<TThPicObject>();
    second->PicturePath = dir + secondPicture;
    second->DisplayTime = 4;
    second->PicAction = apCurtainRight;
    project.Add(std::move(second));
    project.SaveProject();
}

TEST(CliFrames, WritesTheMovieFramesWhateverTheWorkerCount) {
    TempFolder project, one, many;
    makeProject(project.dir());
    const auto r1 = runCli({"frames", project.dir(), one.dir(), "--workers", "1"});
    ASSERT_EQ(r1.exitCode, 0) << r1.err;
    const auto r4 = runCli({"frames", project.dir(), many.dir(), "--workers", "4"});
    ASSERT_EQ(r4.exitCode, 0) << r4.err;
    const auto a = test::filesIn(one.path()), b = test::filesIn(many.path());
    ASSERT_EQ(a.size(), 213u);  // 90 + 120 picture frames and three black ones
    EXPECT_EQ(a.begin()->first, "000001.jpg");
    EXPECT_EQ(a.rbegin()->first, "000213.jpg");
    EXPECT_TRUE(a == b);
    const Bitmap frame = jpeg::decode(a.at("000100.jpg"));
    EXPECT_EQ(frame.width(), 160);
    EXPECT_EQ(frame.height(), 120);
    EXPECT_NE(r1.out.find("wrote 213 frames"), std::string::npos);
}

TEST(CliFrames, RefusesWhatItCannotDoAndLeavesNothing) {
    TempFolder project, out, busy;
    makeProject(project.dir(), "missing.bmp");
    const auto missing = runCli({"frames", project.dir(), out.dir()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("missing.bmp"), std::string::npos) << missing.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), {}), 0);

    TempFolder good;
    makeProject(good.dir());
    test::writeText(busy.path() / "000001.jpg", "old");
    const auto r = runCli({"frames", good.dir(), busy.dir()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(test::readText(busy.path() / "000001.jpg"), "old");
    EXPECT_EQ(runCli({"frames", good.dir(), out.dir(), "--workers", "0"}).exitCode, 2);
    EXPECT_EQ(runCli({"frames", good.dir()}).exitCode, 2);

    TThPicObjectManager small;
    small.LoadProject(good.dir() + "project.dat");
    small.MovWidth = 99;
    small.SaveProject();
    const auto tooSmall = runCli({"frames", good.dir(), out.dir()});
    EXPECT_EQ(tooSmall.exitCode, 1);
    EXPECT_NE(tooSmall.err.find("動画のサイズは100x100以上にしてください"), std::string::npos) << tooSmall.err;

    // A failure after a huge display time cleans up what was written, not every possible
    // number, and at once; display times below 1 are refused naming the picture.
    for (const auto& [seconds, message] : {std::pair{71'000'000, "gone.bmp"}, std::pair{0, "（0秒）"}}) {
        TempFolder broken, into;
        makeProject(broken.dir(), "gone.bmp");
        TThPicObjectManager p;
        p.LoadProject(broken.dir() + "project.dat");
        p.Items(1).DisplayTime = seconds;
        p.SaveProject();
        test::writeText(into.path() / "notes.txt", "mine");
        const auto start = std::chrono::steady_clock::now();
        const auto failed = runCli({"frames", broken.dir(), into.dir()});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_NE(failed.err.find(message), std::string::npos) << failed.err;
        EXPECT_EQ(test::filesIn(into.path()).size(), 1u);  // notes.txt alone
    }
}

}  // namespace
}  // namespace kalidor
