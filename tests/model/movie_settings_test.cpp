#include "model/movie_settings.h"

#include "model/pic_object.h"

#include <gtest/gtest.h>

namespace kalidor {
namespace {

TEST(MovieSettings, SizesFollowEachOtherByTheRatio) {
    enum Edit { Width, Height, Ratio };
    const struct {
        bool ratio16_9;
        Edit edit;
        int width, height;  // before
        int wantWidth, wantHeight;
    } cases[] = {
        {false, Width, 640, 0, 640, 480},   {false, Width, 642, 0, 642, 482},
        {false, Width, 100, 0, 100, 76},    {false, Width, 641, 0, 642, 482},  // odd raised at once
        {false, Height, 0, 100, 134, 100},  {true, Width, 640, 0, 640, 360},
        {true, Width, 642, 0, 642, 362},    {true, Width, 1920, 0, 1920, 1080},
        {true, Height, 0, 480, 854, 480},   {true, Height, 0, 362, 644, 362},
        {true, Ratio, 640, 480, 640, 360},  {false, Ratio, 640, 360, 640, 480},  // switched and back
        {false, Width, 99, 0, 100, 76},     {false, Width, 2400, 0, 2400, 1800},  // no bounds here
    };
    for (const auto& c : cases) {
        MovieSettingsPage page;
        page.ratio16_9 = c.ratio16_9;
        page.width = c.width;
        page.height = c.height;
        if (c.edit == Height)
            CoupleWidthToHeight(page);
        else
            CoupleHeightToWidth(page);  // a ratio click recomputes from the width
        EXPECT_EQ(page.width, c.wantWidth) << c.width << "x" << c.height << " 16:9=" << c.ratio16_9;
        EXPECT_EQ(page.height, c.wantHeight) << c.width << "x" << c.height << " 16:9=" << c.ratio16_9;
    }
}

TEST(MovieSettings, StoringGivesThePathTheFormatsExtension) {
    const struct {
        MovieFormatButton format;
        const char* path;
        const char* want;
    } cases[] = {
        {MovieFormatButton::AVI, "/home/u/movies/trip.MP4", "/home/u/movies/trip.AVI"},
        {MovieFormatButton::MPEG, "/home/u/trip.mpeg", "/home/u/trip.MPG"},
        {MovieFormatButton::MPEG, "/home/u/trip", "/home/u/trip.MPG"},
        {MovieFormatButton::MP4, "/home/u.d/trip", "/home/u.d/trip.MP4"},  // a dot in a folder is no extension
        {MovieFormatButton::MP4, "/home/u/a.b.avi", "/home/u/a.b.MP4"},
        {MovieFormatButton::MP4, "", ""},
        {MovieFormatButton::AVI, "/home/u/.MP4", ""},
        {MovieFormatButton::None, "/home/u/trip.MP4", "/home/u/trip.MPG"},  // no button counts as MPEG
    };
    for (const auto& c : cases) {
        MovieSettingsPage page;
        page.format = c.format;
        page.saveFilePath = c.path;
        TThPicObjectManager project;
        StoreMovieSettings(page, project);
        EXPECT_EQ(project.SaveFilePath, c.want) << c.path;
        EXPECT_EQ(page.saveFilePath, c.want) << c.path;
    }
}

TEST(MovieSettings, ShowingAndStoringCarryEveryValue) {
    TThPicObjectManager project;
    project.MovType = 1;
    project.MovQuality = 3;
    project.MovRatio = 1;
    project.MovWidth = 1280;
    project.MovHeight = 720;
    project.MusicFilePath = "/m/song.mp3";  // kept while music is off
    project.SaveFilePath = "/v/a.AVI";
    MovieSettingsPage page;
    ShowMovieSettings(project, page);
    EXPECT_EQ(page.format, MovieFormatButton::AVI);
    EXPECT_EQ(page.qualityIndex, 3);
    EXPECT_TRUE(page.ratio16_9);
    EXPECT_FALSE(page.MusicControlsEnabled());

    page.format = MovieFormatButton::MP4;
    page.useMusic = true;
    bool modified = false;
    ApplyMovieSettingsChange(page, project, modified);
    EXPECT_TRUE(modified);
    EXPECT_EQ(project.MovType, 0);
    EXPECT_EQ(project.SaveFilePath, "/v/a.MP4");
    EXPECT_TRUE(project.UseMusic);
    EXPECT_EQ(project.MusicFilePath, "/m/song.mp3");
    EXPECT_TRUE(page.MusicControlsEnabled());
    EXPECT_EQ(project.MovWidth, 1280);

    // Values outside the lists: no format button, the quality list left as it was.
    project.MovType = 7;
    project.MovQuality = 9;
    ShowMovieSettings(project, page);
    EXPECT_EQ(page.format, MovieFormatButton::None);
    EXPECT_EQ(page.qualityIndex, 3);
}

TEST(MovieSettings, DialogFiltersMatchBothCasesAndChosenNamesGetTheExtension) {
    EXPECT_EQ(FilterText(MusicFileFilter()),
              "音楽ファイル(*.MP3, *.WAV, *.M4A, *.AAC) (*.MP3 *.mp3 *.WAV *.wav *.M4A *.m4a *.AAC *.aac)");
    EXPECT_FALSE(MovieFileFilter(3).has_value());
    const struct {
        std::uint8_t movType;
        const char* name;
        bool matches;
        const char* chosen;
    } cases[] = {
        {0, "/v/a.mp4", true, "/v/a.mp4"},      {0, "/v/a.MP4", true, "/v/a.MP4"},
        {0, "/v/a.avi", false, "/v/a.avi.MP4"}, {1, "/v/a", false, "/v/a.AVI"},
        {2, "/v/a.mpeg", true, "/v/a.mpeg"},    {2, "/v/a.MPG", true, "/v/a.MPG"},
        {2, "/v/a.mp4", false, "/v/a.mp4.MPG"}, {1, "/v.avi/a", false, "/v.avi/a.AVI"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilterMatches(*MovieFileFilter(c.movType), c.name), c.matches) << c.name;
        EXPECT_EQ(ChosenMovieFileName(c.name, c.movType), c.chosen) << c.name;
    }
    EXPECT_TRUE(FilterMatches(MusicFileFilter(), "/m/SONG.M4A"));
    EXPECT_FALSE(FilterMatches(MusicFileFilter(), "/m/song.ogg"));
}

}  // namespace
}  // namespace kalidor
