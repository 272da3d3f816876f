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

// The stored 105 x 105 thumbnail, and a dense screen's 210 x 210 copy of the same picture with
// its frame as wide as one pixel of the first.
TEST(PictureAdding, ThumbnailIsCentredOnWhiteInAGreyFrame) {
    struct Row {
        int size, frame, pictureHeight, top;  // top = size / 2 - pictureHeight div 2
    };
    for (const Row row : {Row{105, 1, 79, 13}, Row{210, 2, 158, 26}}) {
        Bitmap wide(row.size, row.pictureHeight);
        wide.fillBgr24(0x000000FF);
        const Bitmap t = row.size == 105 ? FramedStoryboardThumbnail(wide) : FramedStoryboardThumbnail(wide, row.size, row.frame);
        ASSERT_EQ(t.width(), row.size);
        ASSERT_EQ(t.height(), row.size);
        auto pixel = [&](int x, int y) {
            const std::uint8_t* p = t.row(y) + 3 * x;
            return std::array<int, 3>{p[0], p[1], p[2]};
        };
        const std::array<int, 3> grey{160, 160, 160}, white{255, 255, 255}, red{0, 0, 255};
        const int mid = row.size / 2, last = row.size - 1, bottom = row.top + row.pictureHeight;
        EXPECT_EQ(pixel(row.frame - 1, mid), grey) << row.size;
        EXPECT_EQ(pixel(row.frame, mid), red) << row.size;
        EXPECT_EQ(pixel(last - row.frame + 1, last), grey) << row.size;
        EXPECT_EQ(pixel(mid, row.top - 1), white) << row.size;
        EXPECT_EQ(pixel(mid, row.top), red) << row.size;
        EXPECT_EQ(pixel(mid, bottom - 1), red) << row.size;
        EXPECT_EQ(pixel(mid, bottom), white) << row.size;
    }
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
