// The encoder entry with the real ffmpeg: a project's frames from kalidor-cli, its argument line
// split as the runner splits it, and the movie checked with ffprobe.

#include "cli/cli_runner.h"
#include "encode/encoder_arguments.h"
#include "cli/media_tools.h"
#include "platform/command_line.h"
#include "encode/encoder_entry.h"
#include "encode/line_splitter.h"
#include "model/pic_object.h"
#include "platform/child_process.h"
#include "imaging/jpeg_codec.h"
#include "render/encoder_progress.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Args = std::vector<std::string>;
using test::Probe;
using test::ProgramRun;
using test::probe;
using test::runProgram;
using test::toolOnPath;

constexpr double kFrame = 1.0 / 30;
constexpr double kMovieSeconds = 6.1;  // two pictures of 3 s and the three black frames
constexpr int kMovieFrames = 183;

std::vector<std::string> partialFilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (IsPartialOutputName(e.path().filename().string()))
            names.push_back(e.path().filename().string());
    return names;
}

// A 160 x 120 project of a 3-second zoom and a 3-second still picture with a caption, its frames
// written into <project>/tmp/ by kalidor-cli, shared by the tests.
class EncoderEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        project_ = std::make_unique<test::TempFolder>();
        const std::string dir = project_->dir();
        Bitmap a(200, 150), b(120, 160);
        a.fillBgr24(0x00336699);
        b.fillBgr24(0x00FFCC00);
        jpeg::writeFile(a, dir + "a.jpg", 90);
        jpeg::writeFile(b, dir + "b.jpg", 90);
        TThPicObjectManager p;
        p.ProjectDir = dir;
        p.MovWidth = 160;
        p.MovHeight = 120;
        auto zoom = std::make_unique<TThPicObject>();
        zoom->PicturePath = dir + "a.jpg";
        zoom->DisplayTime = 3;
        zoom->PicAction = apZoomIN;
        p.Add(std::move(zoom));
        auto still = std::make_unique<TThPicObject>();
        still->PicturePath = dir + "b.jpg";
        still->DisplayTime = 3;
        still->Text = "おわり";
        still->StrAction = asBottomC;
        p.Add(std::move(still));
        p.SaveProject();
        framesRun_ = test::runCli({"frames", dir, dir + "tmp/"});
    }
    static void TearDownTestSuite() { project_.reset(); }

    void SetUp() override {
        if (toolOnPath("ffmpeg").empty() || toolOnPath("ffprobe").empty())
            GTEST_FAIL() << "ffmpeg and ffprobe are needed on PATH: install Debian's ffmpeg (scripts/setup.sh)";
        ASSERT_EQ(framesRun_.exitCode, 0) << framesRun_.err;
    }

    // The project's settings as the export would hold them.
    static TThPicObjectManager projectWith(std::uint8_t movType, std::uint8_t quality, const std::string& movie,
                                           const std::string& music = {}) {
        TThPicObjectManager p;
        p.LoadProject(project_->dir() + "project.dat");
        p.ProjectDir = project_->dir();
        p.MovType = movType;
        p.MovQuality = quality;
        p.SaveFilePath = movie;
        p.UseMusic = !music.empty();
        p.MusicFilePath = music;
        return p;
    }

    // The export's command line, split and resolved as the runner does it.
    static ProgramRun encode(const TThPicObjectManager& p,
                             const std::function<bool(const std::string&)>& stopWhen = {}) {
        const Args argv = SplitCommandLine("lib/ffmpeg" + BuildEncoderArguments(p));
        const fs::path program = ResolveProgram(argv[0], KALIDOR_BIN_DIR, "");
        EXPECT_FALSE(program.empty()) << "no lib/ffmpeg in " << KALIDOR_BIN_DIR;
        return runProgram(program, argv, stopWhen);
    }

    static fs::path entry() { return fs::path(KALIDOR_BIN_DIR) / "lib" / "ffmpeg"; }

    static std::unique_ptr<test::TempFolder> project_;
    static test::CliResult framesRun_;
};

std::unique_ptr<test::TempFolder> EncoderEndToEnd::project_;
test::CliResult EncoderEndToEnd::framesRun_;

TEST_F(EncoderEndToEnd, EachFormatAtTheMovieSizeAndLength) {
    test::TempFolder out;
    const struct {
        std::uint8_t type, quality;
        const char* file;
        const char* codec;
    } cases[] = {{0, 0, "movie.mp4", "h264"}, {1, 2, "movie.avi", "msmpeg4v2"}, {2, 4, "movie.mpg", "mpeg1video"}};
    for (const auto& c : cases) {
        const std::string movie = out.dir() + c.file;
        const ProgramRun r = encode(projectWith(c.type, c.quality, movie));
        ASSERT_EQ(r.code, 0) << r.output;
        // ffmpeg's progress lines come through as it writes them, the last one counting every frame.
        int encoded = -1;
        for (const OutputLine& line : LineSplitter().Feed(r.output))
            if (const auto frames = EncodedFrameCount(line.text))
                encoded = *frames;
        EXPECT_EQ(encoded, kMovieFrames) << r.output;
        const Probe m = probe(movie);
        EXPECT_EQ(m.codecs, std::vector<std::string>{c.codec}) << c.file;
        EXPECT_EQ(m.width, 160);
        EXPECT_EQ(m.height, 120);
        EXPECT_EQ(m.videoFrames, kMovieFrames) << c.file;
        // ffprobe estimates an MPEG program stream's length from the last time stamp it finds;
        // the tiny frames of still pictures share packets, and only a packet's first frame
        // carries one, so that estimate falls short here though every frame is there.
        if (c.type != 2) {
            EXPECT_NEAR(m.duration, kMovieSeconds, kFrame + 1e-3) << c.file;
        }
        // A new movie gets the mode of any new file, not the partial file's 0600.
        EXPECT_NE(fs::status(movie).permissions() & fs::perms::group_read, fs::perms::none);
    }
    EXPECT_TRUE(partialFilesIn(out.path()).empty());
}

TEST_F(EncoderEndToEnd, MusicIsEncodedAndFadesOutWithThePictures) {
    // 10 s of 22.05 kHz 5.1 music: longer than the pictures, below the sample rates mp2 takes
    // at 192 kbit/s and with more channels than wmav2 takes.
    test::TempFolder out;
    const std::string music = out.dir() + "music.wav", shorter = out.dir() + "shorter.wav";
    for (const auto& [file, seconds] : {std::pair{music, "10"}, std::pair{shorter, "6"}}) {
        const ProgramRun made = runProgram(toolOnPath("ffmpeg"),
                                           {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                            std::string("sine=frequency=440:duration=") + seconds + ":sample_rate=22050",
                                            "-af", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", file});
        ASSERT_EQ(made.code, 0) << made.output;
    }
    const struct {
        std::uint8_t type;
        const char* file;
        const char* video;
        const char* audio;
        double slack;
        bool fades;  // the music outlasts the movie
    } cases[] = {
        {0, "movie.mp4", "h264", "aac", 0, true},
        // AVI cannot hold wmav2's 2048-sample start delay, so the muxer starts the video that
        // much later and the movie is as much longer.
        {1, "movie.avi", "msmpeg4v2", "wmav2", 2048.0 / 22050, true},
        {2, "movie.mpg", "mpeg1video", "mp2", 0, true},
        // Music that ends before the movie keeps its own ending.
        {0, "shorter.mp4", "h264", "aac", 0, false},
    };
    for (const auto& c : cases) {
        const std::string movie = out.dir() + c.file;
        const ProgramRun r = encode(projectWith(c.type, 1, movie, c.fades ? music : shorter));
        ASSERT_EQ(r.code, 0) << r.output;
        const Probe m = probe(movie);
        EXPECT_EQ(m.codecs, (std::vector<std::string>{c.video, c.audio})) << c.file;
        EXPECT_EQ(m.width, 160);
        EXPECT_EQ(m.videoFrames, kMovieFrames) << c.file;
        EXPECT_GE(m.duration, kMovieSeconds - kFrame - 1e-3) << c.file;
        EXPECT_LE(m.duration, kMovieSeconds + kFrame + c.slack + 1e-3) << c.file;
        // The fade runs over the last second (5.1 to 6.1 s): from 5.8 to 6.0 s the sound is about
        // a fifth as loud (14 dB down) as in the middle; without a fade, as loud.
        const double middle = test::meanVolume(movie, 3.0, 0.5), end = test::meanVolume(movie, 5.8, 0.2);
        if (c.fades)
            EXPECT_LT(end, middle - 10) << c.file << ": " << middle << " dB, then " << end << " dB";
        else
            EXPECT_NEAR(end, middle, 2) << c.file;
    }
}

// The entry reads the frames itself; the movie must be the one ffmpeg makes reading them.
TEST_F(EncoderEndToEnd, TheMovieIsWhatFfmpegMakesFromTheFrameFiles) {
    test::TempFolder out;
    const std::string music = out.dir() + "music.wav";
    ASSERT_EQ(runProgram(toolOnPath("ffmpeg"), {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                                "sine=frequency=440:duration=10", music})
                  .code,
              0);
    const struct {
        std::uint8_t type;
        const char* file;
        bool music;
    } cases[] = {{0, "movie.mp4", false}, {1, "movie.avi", false}, {2, "movie.mpg", false}, {0, "music.mp4", true}};
    for (const auto& c : cases) {
        const std::string movie = out.dir() + c.file, reference = out.dir() + "reference-" + c.file;
        const TThPicObjectManager p = projectWith(c.type, 0, movie, c.music ? music : "");
        const ProgramRun r = encode(p);
        ASSERT_EQ(r.code, 0) << r.output;
        Args argv = SplitCommandLine("ffmpeg" + BuildEncoderArguments(p));
        EncoderInvocation plain = AdaptEncoderArguments(Args(argv.begin() + 1, argv.end()));
        argv = {"ffmpeg", "-v", "error"};
        argv.insert(argv.end(), plain.options.begin(), plain.options.end());
        argv.push_back(reference);
        const ProgramRun made = runProgram(toolOnPath("ffmpeg"), argv);
        ASSERT_EQ(made.code, 0) << made.output;
        EXPECT_EQ(test::framesOf(movie), kMovieFrames) << c.file;
        EXPECT_EQ(test::framesOf(reference), kMovieFrames) << c.file;
        const std::vector<double> psnr = test::framePsnr(movie, reference);
        ASSERT_EQ(psnr.size(), static_cast<std::size_t>(kMovieFrames)) << c.file;
        EXPECT_GE(*std::min_element(psnr.begin(), psnr.end()), 45.0) << c.file;
        if (c.music) {
            EXPECT_NEAR(probe(movie).duration, kMovieSeconds, kFrame + 1e-3);
        }
    }
}

TEST_F(EncoderEndToEnd, AMissingOrDamagedFrameFailsNamingIt) {
    const struct {
        const char* frame;
        const char* damage;  // "missing", "garbage" or "truncated"
    } cases[] = {{"000100.jpg", "missing"}, {"000183.jpg", "missing"}, {"000010.jpg", "garbage"},
                 {"000050.jpg", "truncated"}};
    for (const auto& c : cases) {
        test::TempFolder project, out;
        fs::copy(project_->path() / "tmp", project.path() / "tmp");
        const fs::path frame = project.path() / "tmp" / c.frame;
        const std::string damage = c.damage;
        if (damage == "missing")
            fs::remove(frame);
        else if (damage == "garbage")
            test::writeText(frame, "no picture");
        else
            fs::resize_file(frame, fs::file_size(frame) / 2);
        const std::string movie = out.dir() + "movie.mp4";
        test::writeText(movie, "the old movie");
        auto p = projectWith(0, 0, movie);
        p.ProjectDir = project.dir();
        const ProgramRun r = encode(p);
        EXPECT_EQ(r.code, 1) << c.frame << " " << damage << ": " << r.output;
        EXPECT_NE(r.output.find(frame.string()), std::string::npos) << r.output;
        EXPECT_EQ(test::readText(movie), "the old movie");
        EXPECT_TRUE(partialFilesIn(out.path()).empty());
    }
}

TEST_F(EncoderEndToEnd, FailuresKeepTheOldMovieAndLeaveNoPartialFile) {
    test::TempFolder out, emptyProject;
    const std::string movie = out.dir() + "movie.mp4";
    test::writeText(movie, "the old movie");

    // No frames to encode: ffmpeg fails.
    auto noFrames = projectWith(0, 0, movie);
    noFrames.ProjectDir = emptyProject.dir();
    const ProgramRun failed = encode(noFrames);
    EXPECT_NE(failed.code, 0);
    EXPECT_NE(failed.output.find("%6d.jpg"), std::string::npos) << failed.output;

    // A line the entry does not know is refused before ffmpeg runs.
    const ProgramRun refused = runProgram(entry(), {"lib/ffmpeg", "-y", "-i", "x", "-vf", "hflip", movie});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.output.find("unknown option \"-vf\""), std::string::npos) << refused.output;

    // No ffmpeg on PATH but the entry's own folder, then a second copy of the entry.
    test::TempFolder copyFolder;
    fs::copy_file(entry(), copyFolder.path() / "ffmpeg");
    const std::string savedPath = ProgramSearchPath();
    const auto withPath = [&](const std::string& path) {
        ::setenv("PATH", path.c_str(), 1);
        const ProgramRun r = encode(projectWith(0, 0, movie));
        ::setenv("PATH", savedPath.c_str(), 1);
        return r;
    };
    const ProgramRun noEncoder = withPath(entry().parent_path().string());
    EXPECT_EQ(noEncoder.code, 127);
    EXPECT_NE(noEncoder.output.find("cannot find the encoder"), std::string::npos) << noEncoder.output;
    const ProgramRun loop = withPath(copyFolder.path().string());
    EXPECT_EQ(loop.code, 127);
    EXPECT_NE(loop.output.find("another Kalidor encoder entry"), std::string::npos) << loop.output;
    // An ffmpeg built without libx264 makes no MP4 at all rather than one of another codec.
    test::TempFolder plain;
    test::writeText(plain.path() / "ffmpeg", "#!/bin/sh\ncase \"$*\" in *libx264*) echo \"Codec 'libx264' is not recognized "
                                             "by FFmpeg.\"; exit 0;; esac\nexec " + toolOnPath("ffmpeg").string() +
                                             " \"$@\"\n");
    fs::permissions(plain.path() / "ffmpeg", fs::perms::owner_all);
    const ProgramRun noX264 = withPath(plain.path().string() + ":" + savedPath);
    EXPECT_EQ(noX264.code, 1);
    EXPECT_NE(noX264.output.find("has no libx264"), std::string::npos) << noX264.output;

    EXPECT_EQ(test::readText(movie), "the old movie");
    EXPECT_TRUE(partialFilesIn(out.path()).empty());
    // With the encoder found again, the same path is replaced.
    ASSERT_EQ(encode(projectWith(0, 0, movie)).code, 0);
    EXPECT_EQ(probe(movie).codecs, std::vector<std::string>{"h264"});
}

TEST_F(EncoderEndToEnd, StoppingTheGroupMidEncodeKeepsTheOldMovie) {
    test::TempFolder out;
    const std::string movie = out.dir() + "movie.mp4";
    test::writeText(movie, "the old movie");
    // Large enough that the encode still runs when its first progress line arrives.
    auto p = projectWith(0, 0, movie);
    p.MovWidth = 2000;
    p.MovHeight = 1500;
    const ProgramRun r =
        encode(p, [](const std::string& output) { return output.find("frame=") != std::string::npos; });
    // Ended by the runner's SIGTERM itself, within its grace: 137 would mean it had to be killed.
    EXPECT_EQ(r.code, 128 + SIGTERM) << r.output;
    EXPECT_EQ(test::readText(movie), "the old movie");
    EXPECT_TRUE(partialFilesIn(out.path()).empty());
}

TEST_F(EncoderEndToEnd, AnEncoderThatOutlastsTheStopIsKilledInTime) {
    // ffmpeg blocks opening a music pipe nobody writes; a stop signal does not get it out.
    test::TempFolder out;
    const std::string movie = out.dir() + "movie.avi", music = out.dir() + "music.wav";
    ASSERT_EQ(::mkfifo(music.c_str(), 0600), 0);
    test::writeText(movie, "the old movie");
    // Stopped once ffmpeg has opened the frames and goes on to the music: 137 would mean the
    // runner had to kill the group after its grace.
    const ProgramRun r = encode(projectWith(1, 0, movie, music),
                         [](const std::string& output) { return output.find("Input #0") != std::string::npos; });
    EXPECT_EQ(r.code, 128 + SIGTERM) << r.output;
    EXPECT_EQ(test::readText(movie), "the old movie");
    EXPECT_TRUE(partialFilesIn(out.path()).empty());
}

}  // namespace
}  // namespace kalidor
