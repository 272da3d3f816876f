#include "cli/cli_runner.h"
#include "model/pic_object.h"
#include "platform/child_process.h"
#include "platform/unique_fd.h"
#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "imaging/png_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <fcntl.h>

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

// A picture named like one of the project's own files gets another name, so the project's
// thumbnail never replaces it, wherever it stands in the storyboard.
TEST(CliNew, APictureNeverTakesAProjectFilesName) {
    TempFolder pictures;
    bmp::writeFile(Bitmap(360, 480), pictures.dir() + "thum.bmp");
    jpeg::writeFile(Bitmap(64, 48), pictures.dir() + "hills.jpg", 90);
    for (const bool portraitFirst : {true, false}) {
        TempFolder root;
        const std::string project = root.dir() + "trip";
        std::vector<std::string> args = {"new", project, pictures.dir() + "thum.bmp", pictures.dir() + "hills.jpg"};
        if (!portraitFirst)
            std::swap(args[2], args[3]);
        const auto r = runCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        TThPicObjectManager m;
        m.LoadProject(project + "/project.dat");
        ASSERT_EQ(m.Count(), 2);
        const std::string portrait = m.Items(portraitFirst ? 0 : 1).PicturePath;
        EXPECT_EQ(portrait, project + "/thum(1).bmp");
        const Bitmap copy = bmp::readFile(portrait), thumbnail = bmp::readFile(project + "/thum.bmp");
        EXPECT_EQ(std::pair(copy.width(), copy.height()), std::pair(360, 480)) << portraitFirst;
        EXPECT_EQ(std::pair(thumbnail.width(), thumbnail.height()),
                  portraitFirst ? std::pair(111, 148) : std::pair(148, 111));
    }
}

TEST(CliNew, RefusesBadPicturesBeforeMakingAnything) {
    TempFolder pictures, root;
    jpeg::writeFile(Bitmap(64, 48), pictures.dir() + "good.jpg", 90);
    const std::vector<std::uint8_t> png = png::encode(Bitmap(8, 8));
    test::writeText(pictures.path() / "bad.jpg", "not a picture");
    test::writeBytes(pictures.path() / "png.bmp", png);  // a picture, but not what its name says
    test::writeBytes(pictures.path() / "cut.png", std::vector<std::uint8_t>(png.begin(), png.begin() + 40));
    jpeg::writeFile(Bitmap(64, 48), pictures.dir() + "photo.gif", 90);
    // Each is refused with the codec's reason naming the user's own file; nothing is made.
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"bad.jpg", "JPEG: "}, {"png.bmp", "BMP: "}, {"cut.png", "PNG: "}, {"photo.gif", "the file name does not end in"}};
    for (const auto& c : cases) {
        const std::string picture = pictures.dir() + c.name;
        const auto r = runCli({"new", root.dir() + "p", pictures.dir() + "good.jpg", picture});
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_NE(r.err.find("「" + std::string(c.name) + "」は非対応画像です: " + c.reason), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("(" + picture + ")"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(root.path() / "p")) << c.name;
    }
    EXPECT_EQ(runCli({"new", root.dir() + "p", pictures.dir() + "none.jpg"}).exitCode, 1);
    EXPECT_EQ(runCli({"new", root.dir() + "p"}).exitCode, 2);
}

TEST(CliNew, MakesTheProjectOnlyInANewOrEmptyFolder) {
    TempFolder pictures, root;
    jpeg::writeFile(Bitmap(64, 48), pictures.dir() + "a.jpg", 90);
    fs::create_directories(root.path() / "empty");
    fs::create_directories(root.path() / "thumbnail");
    fs::create_directories(root.path() / "tmp/tmp");
    for (const char* file : {"thumbnail/thum.bmp", "tmp/tmp/x", "file"})
        test::writeText(root.path() / file, "mine");
    // The user's files are never replaced or removed: a folder holding anything is refused.
    for (const std::string name : {"new", "empty", "thumbnail", "tmp", "file"}) {
        const bool made = name == "new" || name == "empty";
        EXPECT_EQ(runCli({"new", root.dir() + name, pictures.dir() + "a.jpg"}).exitCode, made ? 0 : 1) << name;
        EXPECT_EQ(fs::exists(root.path() / name / "project.dat"), made) << name;
    }
    for (const char* file : {"thumbnail/thum.bmp", "tmp/tmp/x", "file"})
        EXPECT_EQ(test::readText(root.path() / file), "mine") << file;
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(root.path() / "tmp"), {}), 2);  // tmp/ and x alone
}

// A run that finds its build folder's name taken (its pid reused, and what is there no killed
// run's alone) gives up without touching what it did not make.
TEST(CliNew, GivingUpLeavesWhatItDidNotMake) {
    TempFolder pictures;
    jpeg::writeFile(Bitmap(64, 48), pictures.dir() + "a.jpg", 90);
    const struct {
        const char* name;
        const char* setup;  // makes $B, the run's build folder name
        const char* kept;   // inside $B
    } cases[] = {
        {"a folder holding a folder", "mkdir -p \"$B/mine\"", "mine"},
        {"a link to a folder elsewhere",
         "mkdir \"$0/elsewhere\" && echo x >\"$0/elsewhere/x\" && ln -s \"$0/elsewhere\" \"$B\"", "x"},
    };
    for (const auto& c : cases) {
        TempFolder root, output;
        // The shell makes the name with its own pid, then becomes kalidor-cli with that pid.
        const std::string script =
            std::string("B=\"$0/.p.kalidor-new-$$\"; ") + c.setup + " && exec \"$1\" new \"$0/p\" \"$2\"";
        ChildProcess cli;
        UniqueFd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
        UniqueFd err(::open((output.dir() + "err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_EQ(cli.spawn("/bin/sh",
                            {"sh", "-c", script, root.path().string(),
                             (fs::path(KALIDOR_BIN_DIR) / "kalidor-cli").string(), pictures.dir() + "a.jpg"},
                            devNull.get(), err.get()),
                  0);
        while (!cli.tryWait())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::string build = root.dir() + ".p.kalidor-new-" + std::to_string(cli.pid());
        EXPECT_EQ(*cli.exitCode(), 1) << c.name;
        EXPECT_NE(test::readText(output.path() / "err").find("cannot make " + build), std::string::npos) << c.name;
        EXPECT_TRUE(fs::exists(fs::path(build) / c.kept)) << c.name;
        EXPECT_FALSE(fs::exists(root.path() / "p")) << c.name;
    }
}

// A new project appears whole or not at all: stopped while it copies the pictures, it leaves
// nothing (SIGTERM, SIGINT) or, killed, a hidden folder of its own beside the target, which the
// next new for that name removes; either way the next new makes the project.
TEST(CliNew, AStoppedOrKilledNewLeavesNothingInTheWay) {
    TempFolder pictures;
    // Large enough that copying forty of them takes a while.
    Bitmap noise(1024, 768);
    std::uint32_t seed = 1;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < 3 * noise.width(); ++x)
            noise.row(y)[x] = static_cast<std::uint8_t>((seed = seed * 1664525 + 1013904223) >> 24);
    jpeg::writeFile(noise, pictures.dir() + "a.jpg", 95);
    for (const int signal : {SIGKILL, SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        TempFolder root;
        const std::string target = root.dir() + "p";
        std::vector<std::string> argv = {"kalidor-cli", "new", target};
        argv.insert(argv.end(), 40, pictures.dir() + "a.jpg");
        ChildProcess cli;
        UniqueFd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
        ASSERT_EQ(cli.spawn((fs::path(KALIDOR_BIN_DIR) / "kalidor-cli").string(), argv, devNull.get(), devNull.get()),
                  0);
        // Stopped once the first copy is there, wherever it is being made.
        const auto copying = [&] {
            std::error_code ec;
            for (fs::recursive_directory_iterator it(root.path(), ec), end; !ec && it != end; it.increment(ec))
                if (it->path().filename() == "a.jpg")
                    return true;
            return false;
        };
        while (!copying() && !cli.tryWait())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_FALSE(cli.exitCode()) << "it ended before it was stopped";
        ::kill(cli.pid(), signal);
        while (!cli.tryWait())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(*cli.exitCode(), signal == SIGKILL ? 128 + SIGKILL : 130);
        EXPECT_FALSE(fs::exists(target));
        EXPECT_EQ(fs::is_empty(root.path()), signal != SIGKILL);

        const auto next = runCli({"new", target, pictures.dir() + "a.jpg"});
        EXPECT_EQ(next.exitCode, 0) << next.err;
        EXPECT_TRUE(fs::exists(target + "/project.dat"));
        EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), {}), 1);  // the project alone
    }
}

}  // namespace
}  // namespace kalidor
