#include "platform/command_line.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalidor {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, WindowsQuotingRules) {
    struct Case {
        const char* line;
        Args expected;
    } cases[] = {
        {"", {}},
        {" \t ", {}},
        {"prog", {"prog"}},
        {"  prog   a\tb  ", {"prog", "a", "b"}},
        {"prog \"a b\" c", {"prog", "a b", "c"}},
        {"prog a\"b c\"d", {"prog", "ab cd"}},
        {"prog \"\" x", {"prog", "", "x"}},
        {"prog \"a\"\"b\"", {"prog", "a\"b"}},          // "" inside quotes: a literal quote
        {"prog \"a\"\"\" b", {"prog", "a\"", "b"}},      // ...and quoting goes on, then ends
        {"prog \\\"a", {"prog", "\"a"}},                 // \"  -> "
        {"prog \\\\\"a b\"", {"prog", "\\a b"}},         // \\" -> \ and the quote groups
        {"prog \\\\\\\"a", {"prog", "\\\"a"}},           // \\\" -> \"
        {"prog a\\b\\\\c", {"prog", "a\\b\\\\c"}},       // backslashes not before a quote stay
        {"prog \"a\\\\\"", {"prog", "a\\"}},             // a quoted folder ending in \\ .
        {"prog \"open ended", {"prog", "open ended"}},
        {"\"my dir\\prog\" x", {"my dir\\prog", "x"}},   // the program name: backslashes plain
        {"pro\"g a\"b c", {"prog ab", "c"}},
        {"lib/ffmpeg -y -i \"/p/tmp/%6d.jpg\"  -s 640x480", {"lib/ffmpeg", "-y", "-i", "/p/tmp/%6d.jpg", "-s", "640x480"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
}

TEST(CanQuoteInCommandLine, RefusesWhatQuotingCannotCarry) {
    EXPECT_TRUE(CanQuoteInCommandLine("/home/u/My Movies/a b.mp4"));
    EXPECT_TRUE(CanQuoteInCommandLine("/home/u/a\\b.mp4"));  // a backslash inside is plain
    EXPECT_TRUE(CanQuoteInCommandLine("/home/u/映画.mp4"));
    EXPECT_FALSE(CanQuoteInCommandLine("/home/u/say \"hi\".mp4"));
    EXPECT_FALSE(CanQuoteInCommandLine("/home/u/dir\\"));
    EXPECT_FALSE(CanQuoteInCommandLine(std::string_view("/a\0b", 4)));
    // Whatever passes comes back whole from a quoted argument.
    for (std::string path : {"/a b/c.mp4", "/x\\y z", "/t\tab"})
        EXPECT_EQ(SplitCommandLine("prog \"" + path + "\""), (Args{"prog", path})) << path;
}

TEST(ResolveProgram, RelativeToTheProgramFolderOrOnTheSearchPath) {
    test::TempFolder folder;
    const auto& root = folder.path();
    std::filesystem::create_directories(root / "app/lib");
    std::filesystem::create_directories(root / "bin1");
    std::filesystem::create_directories(root / "bin2");
    auto executable = [](const std::filesystem::path& file) {
        test::writeText(file, "#!/bin/sh\n");
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    };
    executable(root / "app/lib/ffmpeg");
    executable(root / "bin2/tool");
    test::writeText(root / "bin1/tool", "not executable");
    std::filesystem::create_directories(root / "bin1/dir");

    EXPECT_EQ(ResolveProgram("lib/ffmpeg", root / "app", ""), root / "app/lib/ffmpeg");
    EXPECT_EQ(ResolveProgram("lib/missing", root / "app", ""), "");
    EXPECT_EQ(ResolveProgram("lib/ffmpeg", "", ""), "");  // our folder unknown: not the current one
    // Installed: <prefix>/bin's helpers are in <prefix>/libexec/kalidor, before an older bin/lib.
    std::filesystem::create_directories(root / "usr/libexec/kalidor");
    std::filesystem::create_directories(root / "usr/bin/lib");
    executable(root / "usr/libexec/kalidor/ffmpeg");
    executable(root / "usr/bin/lib/ffmpeg");
    EXPECT_EQ(ResolveProgram("lib/ffmpeg", root / "usr/bin", ""), root / "usr/bin/../libexec/kalidor/ffmpeg");
    EXPECT_EQ(ResolveProgram((root / "app/lib/ffmpeg").string(), "/elsewhere", ""), root / "app/lib/ffmpeg");
    // The first executable regular file on the path wins; files without x and folders are passed.
    const std::string path = (root / "bin1").string() + ":" + (root / "bin2").string();
    EXPECT_EQ(ResolveProgram("tool", root / "app", path), root / "bin2/tool");
    EXPECT_EQ(ResolveProgram("dir", root / "app", path), "");
    EXPECT_EQ(ResolveProgram("ffmpeg", root / "app", path), "");  // bare names never use our folder
    EXPECT_EQ(ResolveProgram("", root / "app", path), "");
}

TEST(ExecutableFolder, IsTheFolderOfThisTestProgram) {
    EXPECT_EQ(std::filesystem::canonical(ExecutableFolder()), std::filesystem::canonical(KALIDOR_BIN_DIR));
}

}  // namespace
}  // namespace kalidor
