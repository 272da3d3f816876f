// kalidor-cli export with the real encoder: each format checked with ffprobe, music, a failure
// and a cancel, none of which may leave the temporary folder or a partial movie behind.

#include "cli/cli_runner.h"
#include "cli/media_tools.h"
#include "model/pic_object.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <unistd.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::TempFolder;

constexpr double kFrame = 1.0 / 30;

// A picture with texture, so that every frame of the movie has real content to encode.
Bitmap texturedPicture(int w, int h, unsigned seed) {
    Bitmap b(w, h);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 255 / w);
            p[1] = static_cast<std::uint8_t>((random() & 0x7F) + y * 100 / h);
            p[2] = static_cast<std::uint8_t>(((x / 8 + y / 8) % 2) * 180);
        }
    return b;
}

// Two pictures of 3 s (zoom, then curtain with a caption) at the given movie size.
void makeProject(const std::string& dir, int width, int height, int seconds = 3) {
    jpeg::writeFile(texturedPicture(200, 150, 1), dir + "a.jpg", 90);
    jpeg::writeFile(texturedPicture(150, 200, 2), dir + "b.jpg", 90);
    TThPicObjectManager p;
    p.ProjectDir = dir;
    p.MovWidth = width;
    p.MovHeight = height;
    for (auto [file, action] : {std::pair{"a.jpg", apZoomIN}, std::pair{"b.jpg", apCurtainLeft}}) {
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = dir + file;
        picture->DisplayTime = seconds;
        picture->PicAction = action;
        picture->Text = "テスト";
        picture->StrAction = asBottomC;
        p.Add(std::move(picture));
    }
    p.SaveProject();
}

class ExportEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::toolOnPath("ffmpeg").empty() || test::toolOnPath("ffprobe").empty())
            GTEST_FAIL() << "ffmpeg and ffprobe are needed on PATH: install Debian's ffmpeg (scripts/setup.sh)";
    }
};

TEST_F(ExportEndToEnd, EachFormatHasItsCodecSizeAndLength) {
    TempFolder project, out;
    makeProject(project.dir(), 160, 120);
    const struct {
        const char* format;
        const char* codec;
    } cases[] = {{"mp4", "mpeg4"}, {"avi", "msmpeg4v2"}, {"mpeg", "mpeg1video"}};
    for (const auto& c : cases) {
        const std::string movie = out.dir() + "movie." + c.format;
        const auto r = runCli({"export", project.dir(), "--format", c.format, "--out", movie});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("処理が完了しました"), std::string::npos);
        const test::Probe m = test::probe(movie);
        EXPECT_EQ(m.codecs, std::vector<std::string>{c.codec}) << c.format;
        EXPECT_EQ(m.width, 160);
        EXPECT_EQ(m.height, 120);
        // 6 s of pictures and the three black frames: 6.1 s at 30 frames a second.
        EXPECT_EQ(m.videoFrames, 183) << c.format;
        // ffprobe only estimates an MPEG program stream's length from its last time stamps, so
        // there the decoded frames above are what tell the length.
        if (std::string(c.format) != "mpeg") {
            EXPECT_NEAR(m.duration, 6.1, kFrame + 1e-3) << c.format;
        }
        EXPECT_FALSE(fs::exists(project.path() / "tmp"));
    }
}

TEST_F(ExportEndToEnd, MusicIsAddedAndCutAtTheEnd) {
    TempFolder project, out;
    makeProject(project.dir(), 160, 120);
    const std::string music = out.dir() + "song.wav";
    const auto made = test::runProgram(test::toolOnPath("ffmpeg"),
                                       {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                        "sine=frequency=330:duration=10", music});
    ASSERT_EQ(made.code, 0) << made.output;
    const std::string movie = out.dir() + "movie.mp4";
    const auto r = runCli({"export", project.dir(), "--out", movie, "--music", music});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const test::Probe m = test::probe(movie);
    EXPECT_EQ(m.codecs, (std::vector<std::string>{"mpeg4", "aac"}));
    EXPECT_NEAR(m.duration, 6.1, kFrame + 1e-3);

    // Music that does not decode is named in the encoder's failure, whatever ffmpeg's last words.
    std::mt19937 noise(17);
    std::vector<std::uint8_t> bytes(200000);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(noise());
    test::writeBytes(out.path() / "noise.mp3", bytes);
    const auto failed = runCli({"export", project.dir(), "--out", movie, "--music", out.dir() + "noise.mp3"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find(out.dir() + "noise.mp3"), std::string::npos) << failed.err;
}

TEST_F(ExportEndToEnd, AFailureNamesThePictureAndKeepsTheOldMovie) {
    TempFolder project, out;
    makeProject(project.dir(), 160, 120);
    test::writeText(project.path() / "b.jpg", "this is no picture");
    const std::string movie = out.dir() + "movie.mp4";
    test::writeText(movie, "the old movie");
    const auto r = runCli({"export", project.dir(), "--out", movie});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("処理が失敗しました"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("b.jpg"), std::string::npos) << r.err;
    EXPECT_TRUE(test::readText(movie) == "the old movie");
    EXPECT_FALSE(fs::exists(project.path() / "tmp"));
}

// A log line's counter belongs to its pass: pictures in pass 1, frames in pass 2. And an
// encoder failure says why below the result text.
TEST_F(ExportEndToEnd, TheLogCountsItsOwnPassAndFailuresSayWhy) {
    TempFolder project, out;
    makeProject(project.dir(), 160, 120);
    const auto r = runCli({"export", project.dir(), "--out", out.dir() + "movie.mp4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.err);
    int counted = 0;
    for (std::string line; std::getline(lines, line);) {
        const auto open = line.rfind(" ("), slash = line.rfind('/');
        if (open == std::string::npos || slash == std::string::npos || slash < open)
            continue;
        const std::string of = line.substr(slash, line.find(')', slash) - slash);
        const bool pass1 = line.rfind("画像を動画サイズに変換中・・・", 0) == 0;
        if (pass1 || line.rfind("画像に効果を適用中・・・", 0) == 0) {
            EXPECT_EQ(of, pass1 ? "/2" : "/180") << line;
            ++counted;
        }
    }
    EXPECT_GT(counted, 2) << r.err;

    fs::create_directories(out.path() / "folder.mp4");
    const auto failed = runCli({"export", project.dir(), "--out", out.dir() + "folder.mp4"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.out.find("処理が失敗しました"), std::string::npos) << failed.out;
    EXPECT_NE(failed.err.find("folder.mp4 is a folder"), std::string::npos) << failed.err;
}

// Whether any process still runs with `text` in its command line.
bool processMentions(const std::string& text) {
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(::getpid()))
            continue;
        std::ifstream in(e.path() / "cmdline", std::ios::binary);  // gone already: fine
        const std::string cmdline{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (cmdline.find(text) != std::string::npos)
            return true;
    }
    return false;
}

TEST_F(ExportEndToEnd, AnInterruptCancelsAndCleansUp) {
    // Stopped as Ctrl-C or a stop of the group would: while the frames are made, and while
    // ffmpeg encodes them.
    for (const char* stopAt : {"/720)", "までの動画を変換完了"}) {
        TempFolder project, out;
        makeProject(project.dir(), 1280, 720, 12);
        const std::string movie = out.dir() + "movie.mp4";
        test::writeText(movie, "the old movie");
        const fs::path cli = fs::path(KALIDOR_BIN_DIR) / "kalidor-cli";
        const auto r = test::runProgram(cli, {"kalidor-cli", "export", project.dir(), "--out", movie},
                                        [&](const std::string& output) { return output.find(stopAt) != std::string::npos; });
        EXPECT_EQ(r.code, 130) << r.output;
        EXPECT_NE(r.output.find("処理をキャンセルしました"), std::string::npos) << r.output;
        EXPECT_TRUE(test::readText(movie) == "the old movie");
        EXPECT_FALSE(fs::exists(project.path() / "tmp"));
        // Neither the entry nor ffmpeg (whose output is a partial file in out/) is left, nor that file.
        EXPECT_FALSE(processMentions(out.dir())) << stopAt;
        EXPECT_EQ(test::filesIn(out.path()).size(), 1u) << stopAt;
    }
}

}  // namespace
}  // namespace kalidor
