#include "model/picture_adding.h"
#include "imaging/bmp_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalidor {
namespace {

using test::TempFolder;

TEST(PictureAdding, StorableNames) {
    EXPECT_EQ(StorablePictureName("写真 1.jpg"), "写真 1.jpg");
    EXPECT_EQ(StorablePictureName("旅行😀.jpg"), "旅行_.jpg");
    EXPECT_EQ(StorablePictureName("한글.png"), "__.png");
    // Bytes that are no UTF-8 character are replaced one by one; the extension stays.
    EXPECT_EQ(StorablePictureName("caf\xe9.jpg"), "caf_.jpg");
    EXPECT_EQ(StorablePictureName("\xff\xfe\xe6\x97.png"), "____.png");
    EXPECT_EQ(StorablePictureName("\xe5\x86\x99.bmp"), "写.bmp");
}

TEST(PictureAdding, ThumbnailIsCentredOnWhiteInAGreyFrame) {
    Bitmap wide(105, 79);
    wide.fillBgr24(0x000000FF);
    const Bitmap t = FramedStoryboardThumbnail(wide);
    ASSERT_EQ(t.width(), 105);
    ASSERT_EQ(t.height(), 105);
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p = t.row(y) + 3 * x;
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(pixel(0, 50), (std::array<int, 3>{160, 160, 160}));
    EXPECT_EQ(pixel(104, 104), (std::array<int, 3>{160, 160, 160}));
    EXPECT_EQ(pixel(50, 12), (std::array<int, 3>{255, 255, 255}));  // y = 52 - 79 div 2 = 13
    EXPECT_EQ(pixel(50, 13), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(pixel(50, 91), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(pixel(50, 92), (std::array<int, 3>{255, 255, 255}));
}

TEST(PictureAdding, CopiesUnderAFreeNameAndInserts) {
    TempFolder source, projectDir;
    bmp::writeFile(Bitmap(300, 200), source.dir() + "a.bmp");
    TThPicObjectManager project;
    project.ProjectDir = projectDir.dir();
    AddPictureFile(project, source.dir() + "a.bmp", -1);
    TThPicObject& second = AddPictureFile(project, source.dir() + "a.bmp", 0);
    EXPECT_EQ(second.PicturePath, projectDir.dir() + "a(1).bmp");
    EXPECT_EQ(project.Items(1).PicturePath, projectDir.dir() + "a.bmp");
    EXPECT_EQ(second.Thumbnail.width(), 105);
    EXPECT_EQ(second.DisplayTime, 6);

    test::writeText(source.path() / "notes.txt", "text");
    EXPECT_THROW(AddPictureFile(project, source.dir() + "notes.txt", -1), Error);
    EXPECT_THROW(AddPictureFile(project, source.dir() + "missing.bmp", -1), Error);
    EXPECT_EQ(project.Count(), 2);
    EXPECT_FALSE(std::filesystem::exists(projectDir.path() / "notes.txt"));

    test::writeText(source.path() / "broken.JPG", "no jpeg");
    EXPECT_FALSE(IsLoadableJpeg(source.dir() + "broken.JPG"));
    EXPECT_TRUE(IsLoadableJpeg(source.dir() + "notes.txt"));  // only JPEG names are looked at
}

}  // namespace
}  // namespace kalidor
