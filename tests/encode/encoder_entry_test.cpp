#include "platform/command_line.h"
#include "encode/encoder_arguments.h"
#include "encode/encoder_entry.h"
#include "model/pic_object.h"
#include "platform/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <filesystem>

#include <sys/stat.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// The H.264 filters' 4:2:0 in the limited range, and their colours' label.
constexpr const char* kLimited = ":out_range=tv,format=yuv420p,";
constexpr const char* kLabelled = "setparams=color_primaries=bt709:color_trc=bt709:colorspace=smpte170m:range=tv";

// The arguments the entry receives for a project: its line, split as the runner splits it.
Args entryArgumentsFor(std::uint8_t movType, std::uint8_t quality, bool music) {
    TThPicObjectManager project;
    project.ProjectDir = "/home/u/my proj/";
    project.SaveFilePath = "/home/u/映画 1.mp4";
    project.MovType = movType;
    project.MovQuality = quality;
    project.MovWidth = 160;
    project.MovHeight = 120;
    project.UseMusic = music;
    project.MusicFilePath = "/home/u/song.mp3";
    auto picture = std::make_unique<TThPicObject>();
    picture->DisplayTime = 6;
    project.Add(std::move(picture));
    Args args = SplitCommandLine("lib/ffmpeg" + BuildEncoderArguments(project));
    args.erase(args.begin());
    return args;
}

TEST(AdaptEncoderArguments, EveryLineTheProjectWrites) {
    const Args frames{"-y", "-r", "30", "-i", "/home/u/my proj/tmp/%6d.jpg"};
    const Args tail{"-s", "160x120", "-t", "6.1"};
    const Args h264Tail{"-vf", "scale=160:120" + std::string(kLimited) + kLabelled, "-t", "6.1"};
    const Args h264{"-preset", kH264Preset, "-profile:v", "high", "-pix_fmt", "yuv420p", "-movflags", "+faststart"};
    const Args maps{"-map", "0:v:0", "-map", "1:a:0"};
    const std::string stereo = "aformat=sample_rates=48000|44100|32000|24000|22050|16000|12000|11025|8000"
                               ":channel_layouts=mono|stereo";
    const auto join = [](std::initializer_list<Args> parts) {
        Args all;
        for (const Args& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct Case {
        std::uint8_t type, quality;
        bool music;
        Args middle, after;  // around the tail
    } cases[] = {
        {0, 0, false, {"-vcodec", "libx264", "-f", "mp4", "-b:v", "4000k"}, h264},
        {1, 3, false, {"-vcodec", "msmpeg4v2", "-f", "avi", "-b:v", "768k"}, {}},
        {2, 4, false, {"-vcodec", "mpeg1video", "-f", "mpeg", "-b:v", "384k"}, {}},
        {0, 1, true, {"-i", "/home/u/song.mp3", "-vcodec", "libx264", "-f", "mp4", "-acodec", "aac", "-b:v", "2000k",
                      "-b:a", "192k"}, join({h264, maps, {"-af", stereo}})},
        {1, 2, true, {"-i", "/home/u/song.mp3", "-vcodec", "msmpeg4v2", "-f", "avi", "-acodec", "wmav2", "-b:v",
                      "1000k", "-b:a", "192k"}, join({maps, {"-af", stereo}})},
        {2, 0, true, {"-i", "/home/u/song.mp3", "-vcodec", "mpeg1video", "-f", "mpeg", "-acodec", "mp2", "-b:v",
                      "4000k", "-b:a", "192k"}, join({maps, {"-af", "aformat=sample_rates=48000|44100|32000"}})},
        // Out-of-range settings drop their pieces; what is left still runs.
        {3, 5, false, {}, {}},
    };
    for (const auto& c : cases) {
        const EncoderInvocation job = AdaptEncoderArguments(entryArgumentsFor(c.type, c.quality, c.music));
        EXPECT_EQ(job.options, join({frames, c.middle, c.type == 0 ? h264Tail : tail, c.after}))
            << int(c.type) << "/" << int(c.quality) << "/" << c.music;
        EXPECT_EQ(job.output, "/home/u/映画 1.mp4");
        EXPECT_TRUE(job.overwrite);
        EXPECT_EQ(job.music, c.music ? "/home/u/song.mp3" : "");
        EXPECT_EQ(job.duration, "6.1");
    }
}

// An MP4's size is a filter of the H.264 video; 4:2:0 takes even sizes only, so an odd side
// gets a copy of its last pixels.
TEST(AdaptEncoderArguments, AnOddMp4SideIsPaddedWithItsEdge) {
    const std::string limited = kLimited, labelled = kLabelled;
    struct Case {
        const char* format;
        const char* size;
        Args expected;
    } cases[] = {
        {"mp4", "640x480", {"-vf", "scale=640:480" + limited + labelled}},
        {"mp4", "641x480",
         {"-vf", "scale=641:480" + limited + "pad=642:480,fillborders=right=1:bottom=0:mode=smear," + labelled}},
        {"mp4", "101x101",
         {"-vf", "scale=101:101" + limited + "pad=102:102,fillborders=right=1:bottom=1:mode=smear," + labelled}},
        {"mp4", "0x99", {"-s", "0x99"}},  // no size: left for ffmpeg to refuse
        {"avi", "641x481", {"-s", "641x481"}},
    };
    for (const auto& c : cases) {
        const std::string codec = std::string(c.format) == "mp4" ? "mpeg4" : "msmpeg4v2";
        const Args options = AdaptEncoderArguments({"-i", "f/%6d.jpg", "-vcodec", codec, "-s", c.size, "-f", c.format,
                                                    "out"}).options;
        EXPECT_EQ(Args(options.begin() + 5, options.begin() + 7), c.expected) << c.format << " " << c.size;
    }
}

TEST(AddMusicFadeOut, FadesMusicThatOutlastsTheMovieOverItsLastSecond) {
    struct Case {
        const char* codec;
        const char* duration;
        std::optional<double> musicSeconds;
        bool music;
        const char* filter;  // the value of -af afterwards, or "" for none
    } cases[] = {
        {"wmav2", "6.1", 240.0, true, "aformat=sample_rates=48000|44100|32000|24000|22050|16000|12000|11025|8000"
                                      ":channel_layouts=mono|stereo,afade=t=out:st=5.100:d=1.000"},
        {"pcm_s16le", "6.1", std::nullopt, true, "afade=t=out:st=5.100:d=1.000"},  // length unknown: taken as longer
        {"pcm_s16le", "6.1", 6.1, true, ""},  // it ends with the movie
        {"pcm_s16le", "0.5", 9.0, true, "afade=t=out:st=0.000:d=0.500"},
        {"pcm_s16le", "6.1", 240.0, false, ""},
    };
    for (const auto& c : cases) {
        Args args{"-i", "f/%6d.jpg"};
        if (c.music)
            args.insert(args.end(), {"-i", "/m/song.mp3"});
        args.insert(args.end(), {"-acodec", c.codec, "-t", c.duration, "out.avi"});
        EncoderInvocation job = AdaptEncoderArguments(args);
        AddMusicFadeOut(job, c.musicSeconds);
        const auto af = std::find(job.options.begin(), job.options.end(), "-af");
        EXPECT_EQ(af == job.options.end() ? "" : *(af + 1), c.filter) << c.codec << " " << c.duration;
    }
}

TEST(AdaptEncoderArguments, WithoutYesStillOverwritesThePartialFileOnly) {
    const EncoderInvocation job = AdaptEncoderArguments({"-i", "f/%6d.jpg", "-b", "500k", "out.mp4"});
    EXPECT_EQ(job.options, (Args{"-y", "-i", "f/%6d.jpg", "-b:v", "500k"}));
    EXPECT_FALSE(job.overwrite);
}

TEST(AdaptEncoderArguments, RefusesLinesItDoesNotKnow) {
    struct Case {
        Args args;
        const char* message;
    } cases[] = {
        {{}, "no input"},
        {{"-y", "-r", "30", "-i", "f"}, "no output file"},
        {{"-i", "f", "-vcodec"}, "-vcodec needs a value"},
        {{"-i", "f", "-pix_fmt", "yuv420p", "o.mp4"}, "unknown option \"-pix_fmt\""},
        {{"-i", "f", "-"}, "a file, not standard output"},
        {{"-i", "f", "a.mp4", "b.mp4"}, "\"a.mp4\" stands before the end"},
        {{"-i", "f", "-s", "1x1", "-s", "2x2", "o"}, "-s is given twice"},
        {{"-i", "a", "-i", "b", "-i", "c", "o"}, "more than two inputs"},
        {{"-i", "a", "-vcodec", "mpeg4", "-i", "b", "o"}, "stands after the output options"},
        {{"-i", "a", "-r", "30", "o"}, "-r must stand before the first -i"},
        {{"-s", "1x1", "-i", "a", "o"}, "-s stands before the first -i"},
        {{"-i", "a", "-b", "4000", "o"}, "bit rate \"4000\""},
        {{"-i", "a", "-ab", "192kbit", "o"}, "bit rate \"192kbit\" of -ab"},
    };
    for (const auto& c : cases) {
        try {
            AdaptEncoderArguments(c.args);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(PartialOutputTemplate, HiddenBesideTheMovieKeepingItsExtension) {
    struct Case {
        const char* output;
        const char* path;
        int suffix;
    } cases[] = {
        {"/m/movie.mp4", "/m/.movie.mp4.part-XXXXXX.mp4", 4},
        {"/m/movie", "/m/.movie.part-XXXXXX", 0},
        {"movie.avi", ".movie.avi.part-XXXXXX.avi", 4},
    };
    for (const auto& c : cases) {
        const auto t = PartialOutputTemplateFor(c.output);
        EXPECT_EQ(t.path, c.path);
        EXPECT_EQ(t.suffixLength, c.suffix) << c.output;
        EXPECT_TRUE(IsPartialOutputName(fs::path(t.path).filename().string())) << t.path;
    }
    const auto longName = PartialOutputTemplateFor("/m/" + std::string(NAME_MAX - 4, 'n') + ".mp4");
    EXPECT_LE(fs::path(longName.path).filename().string().size(), std::size_t(NAME_MAX));
    EXPECT_TRUE(longName.path.ends_with(".part-XXXXXX.mp4"));
    EXPECT_EQ(longName.suffixLength, 4);
    for (const char* name : {"movie.mp4", ".movie.mp4", "movie.part-abcdef.mp4", ".part-abcdef"})
        EXPECT_FALSE(IsPartialOutputName(name)) << name;
}

TEST(FindEncoderProgram, TakesTheFirstExecutableThatIsNotTheEntry) {
    test::TempFolder scratch;
    const fs::path dir = scratch.path(), notExec = dir / "a", folder = dir / "b", self = dir / "c",
                   linked = dir / "d", real = dir / "e";
    for (const auto& d : {notExec, folder, self, linked, real})
        fs::create_directory(d);
    test::writeText(notExec / "ffmpeg", "#!/bin/sh\n");
    fs::create_directory(folder / "ffmpeg");
    test::writeText(self / "ffmpeg", "#!/bin/sh\n");
    test::writeText(real / "ffmpeg", "#!/bin/sh\n");
    ::chmod((self / "ffmpeg").c_str(), 0755);
    ::chmod((real / "ffmpeg").c_str(), 0755);
    fs::create_symlink(self / "ffmpeg", linked / "ffmpeg");

    const std::string path = notExec.string() + ":" + folder.string() + ":" + self.string() + ":" +
                             linked.string() + ":" + real.string();
    EXPECT_EQ(FindEncoderProgram(path, self / "ffmpeg"), real / "ffmpeg");
    // Another file of the same name is someone else's ffmpeg and is taken.
    EXPECT_EQ(FindEncoderProgram(path, real / "ffmpeg"), self / "ffmpeg");
    EXPECT_EQ(FindEncoderProgram(notExec.string() + ":" + folder.string() + ":" + self.string(), self / "ffmpeg"),
              fs::path());
}

}  // namespace
}  // namespace kalidor

namespace kalidor {
namespace {

TEST(EscapeFramePattern, DoublesEveryPercentButTheFrameNumber) {
    EXPECT_EQ(EscapeFramePattern("/p/tmp/%6d.jpg"), "/p/tmp/%6d.jpg");
    EXPECT_EQ(EscapeFramePattern("/p/100% sure/tmp/%6d.jpg"), "/p/100%% sure/tmp/%6d.jpg");
    EXPECT_EQ(EscapeFramePattern("/p/%6d/tmp/%6d.jpg"), "/p/%%6d/tmp/%6d.jpg");
}

}  // namespace
}  // namespace kalidor
