#include "cli/cli_runner.h"
#include "encode/encoder_arguments.h"
#include "model/pic_object.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace kalidor {
namespace {

using test::runCli;
using test::TempFolder;

std::size_t lineCount(const std::string& s) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')); }

TEST(CliInfo, PrintsTheBundledExample) {
    const std::string example = std::string(KALIDOR_SOURCE_ROOT) + "/data/example";
    const auto r = runCli({"info", example});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    TThPicObjectManager project;
    project.LoadProject(example + "/project.dat");
    ASSERT_GT(project.Count(), 0);
    EXPECT_NE(r.out.find("TotalSeconds: " + std::to_string(project.TotalSeconds()) + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("TotalFrames: " + std::to_string(project.TotalFrames()) + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nencoder: lib/ffmpeg" + BuildEncoderArguments(project) + "\n"), std::string::npos);
    for (int i = 0; i < project.Count(); ++i) {
        const std::string name = std::filesystem::path(project.Items(i).PicturePath).filename().string();
        EXPECT_NE(r.out.find(std::to_string(i + 1) + ". " + name + " | "), std::string::npos) << name;
    }
}

TEST(CliInfo, BadInputGivesOneErrorLine) {
    TempFolder dir;
    std::filesystem::create_directories(dir.path() / "empty");
    std::filesystem::create_directories(dir.path() / "broken");
    test::writeText(dir.path() / "broken" / "project.dat", std::string("\x12\0\0\0PIC_OBJ", 11));
    std::filesystem::create_directories(dir.path() / "huge");
    test::writeText(dir.path() / "huge" / "project.dat", std::string("\xF0\xFF\xFF\x7F", 4));
    test::writeText(dir.path() / "plain-file", "x");

    for (const std::string folder : {"missing", "empty", "broken", "huge", "plain-file"}) {
        const auto r = runCli({"info", dir.dir() + folder});
        EXPECT_GT(r.exitCode, 0) << folder;
        EXPECT_TRUE(r.out.empty()) << folder;
        EXPECT_EQ(lineCount(r.err), 1u) << folder << ": " << r.err;
        EXPECT_EQ(r.err.rfind("kalidor-cli: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(runCli({"info"}).exitCode, 2);
    EXPECT_EQ(runCli({"frobnicate"}).exitCode, 2);
}

}  // namespace
}  // namespace kalidor
