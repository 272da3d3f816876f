// kalidor-cli export with the real encoder: each format checked with ffprobe, music, a failure
// and a cancel, none of which may leave the temporary folder or a partial movie behind.

#include "cli/cli_runner.h"
#include "cli/media_tools.h"
#include "model/pic_object.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
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

// A picture of each kind of action, 2 s each, with captions.
void makeEveryActionProject(const std::string& dir) {
    TThPicObjectManager p;
    p.ProjectDir = dir;
    p.MovWidth = 160;
    p.MovHeight = 120;
    const std::uint8_t actions[] = {apNone, apZoomIN, apZoomOut, apCurtainLeft, apCurtainRight, apBlindHorizon,
                                    apBlindVertical};
    for (std::uint8_t action : actions) {
        const std::string file = dir + "p" + std::to_string(action) + ".jpg";
        jpeg::writeFile(texturedPicture(action % 2 ? 200 : 150, action % 2 ? 150 : 200, action), file, 90);
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = file;
        picture->DisplayTime = 2;
        picture->PicAction = action;
        picture->Text = "テスト" + std::to_string(action);
        picture->StrAction = static_cast<std::uint8_t>(action + 1);
        p.Add(std::move(picture));
    }
    p.SaveProject();
}

// The frame files in a folder (none when it is gone).
std::size_t frameFilesIn(const fs::path& folder) {
    std::error_code ec;
    std::size_t count = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        count += name.size() == 10 && name.ends_with(".jpg") && name.front() != '.';
    }
    return count;
}

// While it lives, the ffmpeg found on PATH takes its frames at the movie's own pace (ffmpeg -re),
// so an encode of a small movie lasts as long as the movie.
class PacedEncoder {
public:
    PacedEncoder() : path_(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin") {
        test::writeText(tools_.path() / "ffmpeg",
                        "#!/bin/sh\nexec " + test::toolOnPath("ffmpeg").string() + " -re \"$@\"\n");
        fs::permissions(tools_.path() / "ffmpeg", fs::perms::owner_all);
        ::setenv("PATH", (tools_.path().string() + ":" + path_).c_str(), 1);
    }
    ~PacedEncoder() { ::setenv("PATH", path_.c_str(), 1); }
    PacedEncoder(const PacedEncoder&) = delete;
    PacedEncoder& operator=(const PacedEncoder&) = delete;

private:
    TempFolder tools_;
    std::string path_;
};

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
    } cases[] = {{"mp4", "h264"}, {"avi", "msmpeg4v2"}, {"mpeg", "mpeg1video"}};
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

// An MP4 is what browsers and phones play: H.264 High in 4:2:0 with AAC-LC sound, its index
// (moov) before the media data.
TEST_F(ExportEndToEnd, AnMp4IsH264WithAacAndItsIndexFirst) {
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
    EXPECT_EQ(m.codecs, (std::vector<std::string>{"h264", "aac"}));
    EXPECT_EQ(m.profiles, (std::vector<std::string>{"High", "LC"}));
    EXPECT_EQ(m.pixelFormat, "yuv420p");
    EXPECT_NEAR(m.duration, 6.1, kFrame + 1e-3);
    // The first of the two names in the file is its box's: the other box comes after it.
    const std::string file = test::readText(movie);
    EXPECT_LT(file.find("moov"), file.find("mdat"));

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

// A music file that holds no sound is refused, naming it and why, before any picture is read.
TEST_F(ExportEndToEnd, MusicWithoutSoundIsRefusedFirst) {
    TempFolder project, out;
    makeProject(project.dir(), 160, 120);
    test::writeText(out.path() / "notes.txt", "not a song\n");
    const std::string picture = project.dir() + "a.jpg";
    for (const auto& [music, why] : {std::pair<std::string, std::string>{out.dir() + "notes.txt", "Invalid data found"},
                                     std::pair<std::string, std::string>{picture, "no audio stream in " + picture}}) {
        const auto r = runCli({"export", project.dir(), "--out", out.dir() + "movie.mp4", "--music", music});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.out.find("処理が失敗しました"), std::string::npos) << r.out;
        const std::string name = fs::path(music).filename().string();
        EXPECT_NE(r.err.find("「" + name + "」には音声がありません: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("画像を動画サイズに変換中"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out.path() / "movie.mp4"));
    }
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

// The encoder takes the frames while they are written; the movie is the very one it makes when
// every frame is written first.
TEST_F(ExportEndToEnd, TheMovieIsTheOneMadeFromTheFinishedFrames) {
    TempFolder project, out;
    makeEveryActionProject(project.dir());
    const std::string music = out.dir() + "song.wav";
    const auto made = test::runProgram(test::toolOnPath("ffmpeg"), {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                                                    "sine=frequency=330:duration=20", music});
    ASSERT_EQ(made.code, 0) << made.output;
    for (const char* format : {"mp4", "avi", "mpeg"}) {
        for (const bool withMusic : {false, true}) {
            SCOPED_TRACE(std::string(format) + (withMusic ? " with music" : ""));
            const std::string followed = out.dir() + "followed." + format, first = out.dir() + "first." + format;
            std::vector<std::string> args = {"export", project.dir(), "--format", format};
            if (withMusic)
                args.insert(args.end(), {"--music", music});
            auto followedArgs = args, firstArgs = args;
            followedArgs.insert(followedArgs.end(), {"--out", followed});
            firstArgs.insert(firstArgs.end(), {"--out", first, "--frames-first"});
            const auto a = runCli(followedArgs), b = runCli(firstArgs);
            ASSERT_EQ(a.exitCode, 0) << a.err;
            ASSERT_EQ(b.exitCode, 0) << b.err;
            EXPECT_EQ(test::framesOf(followed), 7 * 60 + 3);
            EXPECT_TRUE(test::readBytes(followed) == test::readBytes(first));
        }
    }
}

// The export stays at most a window of frames (two seconds) ahead of an encoder that takes them
// at the movie's own pace; a worker's run of alike frames and the closing frames may come on top.
TEST_F(ExportEndToEnd, TheFramesAheadOfTheEncoderStayWithinTheWindow) {
    TempFolder project, out;
    makeProject(project.dir(), 160, 120, 2);
    std::size_t peak = 0;
    const PacedEncoder paced;
    const auto r = test::runProgram(fs::path(KALIDOR_BIN_DIR) / "kalidor-cli",
                                    {"kalidor-cli", "export", project.dir(), "--out", out.dir() + "movie.mp4"},
                                    [&](const std::string&) {
                                        peak = std::max(peak, frameFilesIn(project.path() / "tmp"));
                                        return false;
                                    });
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_GE(peak, 30u);  // the frames did get ahead
    EXPECT_LE(peak, 60u + 7 + 3);
}

// A log line's counter belongs to its pass: pictures in pass 1, frames in pass 2, and the
// encoder's seconds only after the last frame. And an encoder failure says why below the result
// text.
TEST_F(ExportEndToEnd, TheLogCountsItsOwnPassAndFailuresSayWhy) {
    TempFolder project, out;
    makeProject(project.dir(), 160, 120);
    const auto r = runCli({"export", project.dir(), "--out", out.dir() + "movie.mp4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.err);
    int counted = 0;
    bool encoded = false;
    for (std::string line; std::getline(lines, line);) {
        encoded = encoded || line.find("までの動画を変換完了") != std::string::npos;
        const auto open = line.rfind(" ("), slash = line.rfind('/');
        if (open == std::string::npos || slash == std::string::npos || slash < open)
            continue;
        const std::string of = line.substr(slash, line.find(')', slash) - slash);
        const bool pass1 = line.rfind("画像を動画サイズに変換中・・・", 0) == 0;
        if (pass1 || line.rfind("画像に効果を適用中・・・", 0) == 0) {
            EXPECT_EQ(of, pass1 ? "/2" : "/180") << line;
            EXPECT_FALSE(encoded) << line;
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

TEST_F(ExportEndToEnd, AnEnglishDesktopReadsEnglish) {
    // The locale need not be generated: only the environment is read.
    const std::vector<std::string> english = {"LC_ALL=", "LANG=en_US.UTF-8"};
    // The lead bytes of kana, kanji and full-width forms in UTF-8.
    const auto japanese = [](const std::string& text) {
        return std::any_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte >= 0xE3 && byte <= 0xE9) || byte == 0xEF;
        });
    };
    TempFolder project, out;
    makeProject(project.dir(), 160, 120);
    const auto r = runCli({"export", project.dir(), "--out", out.dir() + "movie.mp4"}, english);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "The export is complete\nmovie: " + out.dir() + "movie.mp4\n");
    std::set<std::string> passes;
    std::istringstream lines(r.err);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_FALSE(japanese(line)) << line;
        passes.insert(line.substr(0, line.find_first_of("(.0123456789")));
    }
    EXPECT_EQ(passes, (std::set<std::string>{"Fitting the pictures to the movie size", "Applying the effects to the pictures",
                                             "Preparing the movie", "Movie encoded up to ", "The export is complete "}));

    fs::create_directories(out.path() / "folder.mp4");
    const auto failed = runCli({"export", project.dir(), "--out", out.dir() + "folder.mp4"}, english);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out.substr(0, failed.out.find('\n')), "The export failed");
    EXPECT_NE(failed.err.find("folder.mp4 is a folder"), std::string::npos) << failed.err;
}

// Whether any process still runs with `text` in its command line.
bool processMentions(const std::string& text) {
    for (const auto& [pid, cmdline] : test::otherProcesses())
        if (cmdline.find(text) != std::string::npos)
            return true;
    return false;
}

TEST_F(ExportEndToEnd, AnInterruptCancelsAndCleansUp) {
    // Stopped as Ctrl-C or a stop of the group would: while the frames are made (with the encoder
    // already taking them), and while ffmpeg encodes what remains. The encoder keeps the movie's
    // pace, so the stop comes well before the end.
    const PacedEncoder paced;
    for (const char* stopAt : {"/120)", "までの動画を変換完了"}) {
        SCOPED_TRACE(stopAt);
        TempFolder project, out;
        makeProject(project.dir(), 160, 120, 2);
        const std::string movie = out.dir() + "movie.mp4";
        test::writeText(movie, "the old movie");
        const fs::path cli = fs::path(KALIDOR_BIN_DIR) / "kalidor-cli";
        const auto r = test::runProgram(cli, {"kalidor-cli", "export", project.dir(), "--out", movie},
                                        [&](const std::string& output) {
                                            return output.find(stopAt) != std::string::npos && processMentions(out.dir());
                                        });
        EXPECT_EQ(r.code, 130) << r.output;
        EXPECT_NE(r.output.find("処理をキャンセルしました"), std::string::npos) << r.output;
        EXPECT_TRUE(test::readText(movie) == "the old movie");
        EXPECT_FALSE(fs::exists(project.path() / "tmp"));
        // Neither the entry nor ffmpeg (whose output is a partial file in out/) is left, nor that file.
        EXPECT_FALSE(processMentions(out.dir())) << stopAt;
        EXPECT_EQ(test::filesIn(out.path()).size(), 1u) << stopAt;
    }
}

// The processes whose first argument ends with `program` and whose arguments hold `text`.
std::vector<pid_t> processesOf(const std::string& program, const std::string& text) {
    std::vector<pid_t> pids;
    for (const auto& [pid, cmdline] : test::otherProcesses()) {
        const std::string first = cmdline.substr(0, cmdline.find('\0'));
        if (first.ends_with(program) && cmdline.find(text) != std::string::npos)
            pids.push_back(pid);
    }
    return pids;
}

// However the encoder ends, its partial movie goes and the old movie stays: the encoder entry
// killed while the frames are made, ffmpeg killed while it encodes the rest (both said as the
// signal, not as ffmpeg's last line), or a cancel while the entry is stalled.
TEST_F(ExportEndToEnd, AKilledOrStalledEncoderLeavesNoPartialMovie) {
    const PacedEncoder paced;
    const struct {
        const char* name;
        const char* at;
        const char* process;  // the end of its first argument
        int signal;
        bool thenCancel;
        int exitCode;
        const char* says;
    } cases[] = {
        {"entry killed", "/120)", "lib/ffmpeg", SIGKILL, false, 1, "the encoder was ended by signal 9 (Killed)"},
        {"ffmpeg killed", "までの動画を変換完了", "bin/ffmpeg", SIGKILL, false, 1,
         "the encoder was ended by signal 9 (Killed)"},
        {"cancelled while the entry is stalled", "/120)", "lib/ffmpeg", SIGSTOP, true, 130, "処理をキャンセルしました"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder project, out;
        makeProject(project.dir(), 160, 120, 2);
        const std::string movie = out.dir() + "movie.mp4";
        test::writeText(movie, "the old movie");
        bool sent = false;
        const auto r = test::runProgram(fs::path(KALIDOR_BIN_DIR) / "kalidor-cli",
                                        {"kalidor-cli", "export", project.dir(), "--out", movie},
                                        [&](const std::string& output) {
                                            // Once ffmpeg runs, writing the partial movie.
                                            if (sent || output.find(c.at) == std::string::npos ||
                                                processesOf("bin/ffmpeg", out.dir()).empty())
                                                return false;
                                            const auto pids = processesOf(c.process, out.dir());
                                            for (const pid_t pid : pids)
                                                ::kill(pid, c.signal);
                                            sent = !pids.empty();
                                            return sent && c.thenCancel;
                                        });
        ASSERT_TRUE(sent) << r.output;
        EXPECT_EQ(r.code, c.exitCode) << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("cpb:"), std::string::npos) << r.output;
        EXPECT_EQ(test::readText(movie), "the old movie");
        EXPECT_EQ(test::filesIn(out.path()).size(), 1u) << "a partial movie is left";
        EXPECT_FALSE(fs::exists(project.path() / "tmp"));
        EXPECT_FALSE(processMentions(out.dir()));
    }
}

// The export works whatever inotify allows, as when another program holds the user's last
// inotify instance or watch: the encoder entry without one (the export has its own), or the
// whole program without any. Where nothing can be watched the frames are looked for again and
// again instead; nothing fails for it.
TEST_F(ExportEndToEnd, ExportsWhateverInotifyAllows) {
    TempFolder project, out, bin;
    makeProject(project.dir(), 160, 120, 1);
    const fs::path built = KALIDOR_BIN_DIR, without = built / "without_inotify";
    // A copy of the program whose lib/ffmpeg runs the real entry without inotify.
    fs::copy_file(built / "kalidor-cli", bin.path() / "kalidor-cli");
    fs::create_directories(bin.path() / "lib");
    for (const char* limit : {"instances", "watches"}) {
        for (const bool everyone : {false, true}) {
            SCOPED_TRACE(std::string(limit) + (everyone ? ", the whole program" : ", the encoder entry"));
            test::writeText(bin.path() / "lib" / "ffmpeg", "#!/bin/sh\nexec " + without.string() + " " + limit + " " +
                                                               (built / "lib" / "ffmpeg").string() + " \"$@\"\n");
            fs::permissions(bin.path() / "lib" / "ffmpeg", fs::perms::owner_all);
            const std::string movie = out.dir() + limit + (everyone ? "-all" : "-entry") + ".mp4";
            const std::vector<std::string> run = {"kalidor-cli", "export", project.dir(), "--out", movie};
            std::vector<std::string> argv = {"without_inotify", limit, (built / "kalidor-cli").string()};
            argv.insert(argv.end(), run.begin() + 1, run.end());
            const auto r = everyone ? test::runProgram(without, argv)
                                    : test::runProgram(bin.path() / "kalidor-cli", run);
            ASSERT_EQ(r.code, 0) << r.output;
            EXPECT_EQ(test::probe(movie).videoFrames, 63);
            EXPECT_FALSE(fs::exists(project.path() / "tmp"));
        }
    }
}

}  // namespace
}  // namespace kalidor
