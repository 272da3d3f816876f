#include "cli/cli_runner.h"
#include "model/pic_object.h"
#include "platform/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalidor {
namespace {

using test::runCli;
using test::TempFolder;
namespace fs = std::filesystem;

TEST(CliNew, MakesAProjectOfCopies) {
    TempFolder pictures, root;
    jpeg::writeFile(Bitmap(64, 48), pictures.dir() + "夏.jpg", 90);
    const std::string project = root.dir() + "旅行";
    const auto r = runCli({"new", project, pictures.dir() + "夏.jpg", pictures.dir() + "夏.jpg"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    TThPicObjectManager m;
    m.LoadProject(project + "/project.dat");
    ASSERT_EQ(m.Count(), 2);
    EXPECT_EQ(m.Items(0).PicturePath, project + "/夏.jpg");
    EXPECT_EQ(m.Items(1).PicturePath, project + "/夏(1).jpg");
    EXPECT_EQ(m.Items(1).Thumbnail.width(), 105);
    EXPECT_EQ(m.TotalSeconds(), 12);
    EXPECT_TRUE(fs::exists(project + "/thum.bmp"));
    // An existing project is never overwritten.
    EXPECT_EQ(runCli({"new", project, pictures.dir() + "夏.jpg"}).exitCode, 1);
}

TEST(CliNew, RefusesBadPicturesBeforeMakingAnything) {
    TempFolder pictures, root;
    jpeg::writeFile(Bitmap(64, 48), pictures.dir() + "good.jpg", 90);
    test::writeText(pictures.path() / "bad.jpg", "not a picture");
    const auto r = runCli({"new", root.dir() + "p", pictures.dir() + "good.jpg", pictures.dir() + "bad.jpg"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("「bad.jpg」は非対応画像です"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(root.path() / "p"));
    EXPECT_EQ(runCli({"new", root.dir() + "p", pictures.dir() + "none.jpg"}).exitCode, 1);
    EXPECT_EQ(runCli({"new", root.dir() + "p"}).exitCode, 2);
}

}  // namespace
}  // namespace kalidor
