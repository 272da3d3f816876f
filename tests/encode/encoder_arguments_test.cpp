#include "model/pic_object.h"
#include "encode/encoder_arguments.h"

#include <gtest/gtest.h>

namespace kalidor {
namespace {

TThPicObjectManager projectOf(std::initializer_list<int> displayTimes) {
    TThPicObjectManager project;
    project.ProjectDir = "/home/u/proj/";
    project.SaveFilePath = "/home/u/movie.mp4";
    for (int seconds : displayTimes) {
        auto picture = std::make_unique<TThPicObject>();
        picture->DisplayTime = seconds;
        project.Add(std::move(picture));
    }
    return project;
}

TEST(BuildEncoderArguments, WithoutMusicEveryFormatAndQuality) {
    struct Case {
        std::uint8_t type, quality;
        const char* expected;
    } cases[] = {
        {0, 0, " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"   -vcodec mpeg4 -f mp4  -b 4000kb -s 640x480 -t 9.1 \"/home/u/movie.mp4\""},
        {1, 1, " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"   -vcodec msmpeg4v2 -f avi  -b 2000kb -s 640x480 -t 9.1 \"/home/u/movie.mp4\""},
        {2, 2, " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"   -vcodec mpeg1video -f mpeg  -b 1000kb -s 640x480 -t 9.1 \"/home/u/movie.mp4\""},
        {0, 3, " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"   -vcodec mpeg4 -f mp4  -b 768kb -s 640x480 -t 9.1 \"/home/u/movie.mp4\""},
        {0, 4, " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"   -vcodec mpeg4 -f mp4  -b 384kb -s 640x480 -t 9.1 \"/home/u/movie.mp4\""},
        // Values out of range drop their pieces and keep the rest.
        {3, 5, " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\" -s 640x480 -t 9.1 \"/home/u/movie.mp4\""},
    };
    for (const auto& c : cases) {
        auto project = projectOf({6, 3});
        project.MovType = c.type;
        project.MovQuality = c.quality;
        EXPECT_EQ(BuildEncoderArguments(project), c.expected) << int(c.type) << "/" << int(c.quality);
    }
}

TEST(BuildEncoderArguments, WithMusicPerFormat) {
    const char* expected[] = {
        " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"  -i \"/m/song.mp3\"   -vcodec mpeg4 -f mp4   -acodec libfaac  -b 4000kb  -ab 192kb -s 1280x720 -t 3.1 \"/home/u/movie.mp4\"",
        " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"  -i \"/m/song.mp3\"   -vcodec msmpeg4v2 -f avi   -acodec wmav2  -b 4000kb  -ab 192kb -s 1280x720 -t 3.1 \"/home/u/movie.mp4\"",
        " -y -r 30 -i \"/home/u/proj/tmp/%6d.jpg\"  -i \"/m/song.mp3\"   -vcodec mpeg1video -f mpeg   -acodec mp2  -b 4000kb  -ab 192kb -s 1280x720 -t 3.1 \"/home/u/movie.mp4\"",
    };
    for (std::uint8_t type = 0; type < 3; ++type) {
        auto project = projectOf({3});
        project.UseMusic = true;
        project.MusicFilePath = "/m/song.mp3";
        project.MovType = type;
        project.MovWidth = 1280;
        project.MovHeight = 720;
        EXPECT_EQ(BuildEncoderArguments(project), expected[type]);
    }
}

TEST(BuildEncoderArguments, NoPicturesGiveATenthOfASecond) {
    auto project = projectOf({});
    EXPECT_NE(BuildEncoderArguments(project).find(" -t 0.1 \""), std::string::npos);
}

TEST(BuildEncoderArguments, PathsGoInUnchanged) {
    auto project = projectOf({12});
    project.ProjectDir = "/home/u/My Projects/旅行 2024/";
    project.UseMusic = true;
    project.MusicFilePath = "/home/u/音楽/春 の 歌.m4a";
    project.SaveFilePath = "/home/u/動画/旅行 final.mp4";
    project.MovWidth = 99999;  // no check here: the limits are the settings page's
    EXPECT_EQ(BuildEncoderArguments(project),
              " -y -r 30 -i \"/home/u/My Projects/旅行 2024/tmp/%6d.jpg\"  -i \"/home/u/音楽/春 の 歌.m4a\"   "
              "-vcodec mpeg4 -f mp4   -acodec libfaac  -b 4000kb  -ab 192kb -s 99999x480 -t 12.1 "
              "\"/home/u/動画/旅行 final.mp4\"");
}

}  // namespace
}  // namespace kalidor
