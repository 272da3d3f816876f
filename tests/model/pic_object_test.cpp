#include "model/pic_object.h"

#include <gtest/gtest.h>

namespace kalidor {
namespace {

std::unique_ptr<TThPicObject> pictureOf(int seconds) {
    auto picture = std::make_unique<TThPicObject>();
    picture->DisplayTime = seconds;
    return picture;
}

TEST(TThPicObject, Defaults) {
    TThPicObject p;
    EXPECT_TRUE(p.PicturePath.empty());
    EXPECT_TRUE(p.Thumbnail.empty());
    EXPECT_TRUE(p.Text.empty());
    EXPECT_EQ(p.PicAction, apNone);
    EXPECT_EQ(p.StrAction, asNone);
    EXPECT_EQ(p.Font.Size, 12);
    EXPECT_EQ(p.Font.Color, 0x80000008u);
    EXPECT_EQ(p.Font.Style, 0);
    EXPECT_EQ(p.DisplayTime, 6);
    EXPECT_FALSE(p.Selected);
}

TEST(TThPicObject, CloneOwnsItsThumbnailAndFont) {
    auto source = pictureOf(9);
    source->PicturePath = "/p/a.jpg";
    source->Text = "夏";
    source->PicAction = apBlindVertical;
    source->StrAction = asBottomR;
    source->Selected = true;
    source->Thumbnail = Bitmap(3, 2);
    source->Thumbnail.row(1)[4] = 77;
    source->Font.Name = "IPAGothic";
    source->Font.Style = fsItalic;
    auto clone = source->Clone();
    const TThPicObject expected = *source;
    source.reset();
    EXPECT_EQ(clone->PicturePath, expected.PicturePath);
    EXPECT_EQ(clone->Text, "夏");
    EXPECT_EQ(clone->PicAction, apBlindVertical);
    EXPECT_EQ(clone->StrAction, asBottomR);
    EXPECT_TRUE(clone->Selected);
    EXPECT_EQ(clone->DisplayTime, 9);
    EXPECT_EQ(clone->Thumbnail, expected.Thumbnail);
    EXPECT_EQ(clone->Thumbnail.row(1)[4], 77);
    EXPECT_EQ(clone->Font, expected.Font);
}

TEST(TThPicObjectManager, NewProjectDefaults) {
    TThPicObjectManager m;
    EXPECT_EQ(m.Count(), 0);
    EXPECT_EQ(m.TotalSeconds(), 0);
    EXPECT_EQ(m.TotalFrames(), 0);
    EXPECT_EQ(m.MovType, 0);
    EXPECT_EQ(m.MovQuality, 0);
    EXPECT_EQ(m.MovWidth, 640);
    EXPECT_EQ(m.MovHeight, 480);
    EXPECT_EQ(m.MovRatio, 0);
    EXPECT_FALSE(m.UseMusic);
}

TEST(TThPicObjectManager, TotalsAndListOperations) {
    TThPicObjectManager m;
    EXPECT_EQ(m.Add(pictureOf(6)), 0);
    EXPECT_EQ(m.Add(pictureOf(3)), 1);
    EXPECT_EQ(m.Add(pictureOf(10)), 2);
    EXPECT_EQ(m.TotalSeconds(), 19);
    EXPECT_EQ(m.TotalFrames(), 570);

    m.Insert(0, pictureOf(4));
    m.Insert(4, pictureOf(5));
    EXPECT_EQ(m.Items(0).DisplayTime, 4);
    EXPECT_EQ(m.Items(4).DisplayTime, 5);
    m.Delete(1);
    EXPECT_EQ(m.Count(), 4);
    EXPECT_EQ(m.Items(1).DisplayTime, 3);
    EXPECT_EQ(m.TotalSeconds(), 22);
}

TEST(TThPicObjectManager, IndexErrors) {
    TThPicObjectManager m;
    m.Add(pictureOf(6));
    EXPECT_THROW(m.Items(1), ListIndexError);  // index equal to Count
    EXPECT_THROW(m.Items(-1), ListIndexError);
    EXPECT_THROW(m.Delete(1), ListIndexError);
    EXPECT_THROW(m.Insert(2, pictureOf(3)), ListIndexError);
    try {
        m.Items(5);
    } catch (const ListIndexError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (5)");
    }
}

TEST(TThPicObjectManager, ResetSettingsKeepsPictures) {
    TThPicObjectManager m;
    m.Add(pictureOf(6));
    m.MovType = 2;
    m.MovQuality = 4;
    m.MovWidth = 1920;
    m.MovHeight = 1080;
    m.MovRatio = 1;
    m.UseMusic = true;
    m.MusicFilePath = "/a.mp3";
    m.SaveFilePath = "/b.mp4";
    m.ProjectDir = "/p/";
    m.ResetSettings();
    EXPECT_EQ(m.MovType, 0);
    EXPECT_EQ(m.MovQuality, 0);
    EXPECT_EQ(m.MovWidth, 640);
    EXPECT_EQ(m.MovHeight, 480);
    EXPECT_EQ(m.MovRatio, 0);
    EXPECT_FALSE(m.UseMusic);
    EXPECT_TRUE(m.MusicFilePath.empty());
    EXPECT_TRUE(m.SaveFilePath.empty());
    EXPECT_TRUE(m.ProjectDir.empty());
    EXPECT_EQ(m.Count(), 1);
    EXPECT_EQ(m.ProjectFileName(), "project.dat");
}

TEST(TThPicObjectManager, TotalsDoNotOverflowOnOddDisplayTimes) {
    TThPicObjectManager m;
    m.Add(pictureOf(2147483647));
    m.Add(pictureOf(2147483647));
    EXPECT_EQ(m.TotalSeconds(), 4294967294LL);
    EXPECT_EQ(m.TotalFrames(), 4294967294LL * 30);
}

}  // namespace
}  // namespace kalidor
