#include "platform/error.h"
#include "imaging/font_family.h"
#include "platform/instance_lock.h"
#include "platform/user_folders.h"
#include "model/workspace.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TempFolder;
using test::writeText;

TEST(Workspace, FirstRunMakesEveryFolderButTheImageFolder) {
    TempFolder base;
    const Workspace ws = PrepareWorkspace(base.path().string());
    EXPECT_EQ(ws.ProjectRoot, base.dir() + "Orvane/Kalidor/project/");
    EXPECT_EQ(ws.ConfigDir, base.dir() + "Orvane/Kalidor/config/");
    EXPECT_EQ(ws.ImgDir, base.dir() + "Orvane/Kalidor/img/");
    EXPECT_TRUE(fs::is_directory(ws.ProjectRoot));
    EXPECT_TRUE(fs::is_directory(ws.ConfigDir));
    EXPECT_FALSE(fs::exists(ws.ImgDir));
}

TEST(Workspace, AFolderThatCannotBeMadeIsNamedWithTheReason) {
    TempFolder root;
    writeText(root.path() / "file", "x");
    // A missing base is made with its parents; anything in the way of a folder is refused.
    const struct {
        std::string base;
        const char* inTheWay;  // nullptr: the workspace is made
    } cases[] = {
        {root.dir() + "new/base", nullptr},
        {root.dir() + "file/base", "file"},
        {root.dir() + "project", "project/Orvane/Kalidor/project"},
    };
    fs::create_directories(root.path() / "project/Orvane/Kalidor");
    writeText(root.path() / "project/Orvane/Kalidor/project", "x");
    for (const auto& c : cases) {
        try {
            const Workspace ws = PrepareWorkspace(c.base);
            EXPECT_FALSE(c.inTheWay) << c.base;
            EXPECT_TRUE(fs::is_directory(ws.ConfigDir)) << c.base;
        } catch (const Error& e) {
            ASSERT_TRUE(c.inTheWay) << e.what();
            EXPECT_NE(std::string(e.what()).find("Not a directory (" + root.dir() + c.inTheWay + ")"), std::string::npos)
                << e.what();
        }
    }
}

TEST(Workspace, DeliveredDataFillsOnlyWhatIsMissing) {
    TempFolder data, base;
    for (const char* folder : {"img", "config", "project"}) fs::create_directories(data.path() / folder);
    writeText(data.path() / "img" / "a.png", "new a");
    writeText(data.path() / "img" / "b.png", "new b");
    writeText(data.path() / "config" / "actionList.dat", "catalogue");
    writeText(data.path() / "project" / "thum.bmp", "thumb");
    const Workspace ws = PrepareWorkspace(base.dir());
    fs::create_directories(ws.ImgDir);
    writeText(ws.ImgDir + "a.png", "user's a");

    EXPECT_EQ(InstallDeliveredData(data.dir(), ws), 3);
    EXPECT_EQ(readText(ws.ImgDir + "a.png"), "user's a");
    EXPECT_EQ(readText(ws.ImgDir + "b.png"), "new b");
    EXPECT_EQ(readText(ws.ConfigDir + "actionList.dat"), "catalogue");
    EXPECT_EQ(readText(ws.ProjectRoot + "thum.bmp"), "thumb");
    EXPECT_EQ(InstallDeliveredData(data.dir(), ws), 0);
}

TEST(Workspace, BaseAndDataFolderComeFromTheEnvironmentAndTheInstallation) {
    struct Case {
        const char* home;
        const char* xdg;
        std::string expected;
    } cases[] = {
        {"/w/home", "/x/data", "/w/home/"},
        {nullptr, "/x/data/", "/x/data/"},
        {nullptr, "relative", "/h/.local/share/"},
        {nullptr, nullptr, "/h/.local/share/"},
    };
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const Case& c : cases) {
        setenv("HOME", "/h", 1);
        c.home ? setenv("KALIDOR_HOME", c.home, 1) : unsetenv("KALIDOR_HOME");
        c.xdg ? setenv("XDG_DATA_HOME", c.xdg, 1) : unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(WorkspaceBase(), c.expected) << (c.home ? c.home : "-") << " " << (c.xdg ? c.xdg : "-");
    }
    setenv("HOME", savedHome.c_str(), 1);
    unsetenv("KALIDOR_HOME");
    unsetenv("XDG_DATA_HOME");

    TempFolder prefix;
    fs::create_directories(prefix.path() / "share" / "kalidor");
    fs::create_directories(prefix.path() / "bin");
    fs::create_directories(prefix.path() / "build" / "bin");
    EXPECT_EQ(DeliveredDataDir(prefix.dir() + "bin/kalidor", "/src/data"), prefix.dir() + "bin/../share/kalidor/");
    EXPECT_EQ(DeliveredDataDir(prefix.dir() + "build/bin/kalidor", "/src/data"), "/src/data/");
}

TEST(UserFolders, ConfigEntriesExpandHomeAndRefuseRelativePaths) {
    const std::string config =
        "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOCUMENTS_DIR=\"/data/docs\"\nXDG_MUSIC_DIR=\"music\"\n";
    EXPECT_EQ(UserDirFromConfig(config, "XDG_DESKTOP_DIR", "/home/u"), "/home/u/Schreibtisch");
    EXPECT_EQ(UserDirFromConfig(config, "XDG_DOCUMENTS_DIR", "/home/u"), "/data/docs");
    EXPECT_EQ(UserDirFromConfig(config, "XDG_MUSIC_DIR", "/home/u"), "");
    EXPECT_EQ(UserDirFromConfig(config, "XDG_VIDEOS_DIR", "/home/u"), "");
}

TEST(FontFamily, WindowsJapaneseFaceResolvesToAnInstalledFace) {
    // The set-up installs the IPA faces; the proportional Windows face maps to the proportional one.
    EXPECT_EQ(ResolveFontFamily("ＭＳ Ｐゴシック"), "IPAPGothic");
    EXPECT_EQ(ResolveFontFamily("ＭＳ ゴシック"), "IPAGothic");
    EXPECT_FALSE(ResolveFontFamily("No Such Face").empty());
}

// Exit status of a real second process that tries the lock in `folder`: 0 acquired, 1 refused.
int secondProcessTries(const std::string& folder) {
    const pid_t child = fork();
    if (child == 0) _exit(InstanceLock(folder).acquired() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InstanceLock, TheFolderIsTheUsersOwnAndAFailureIsNotTakenForAHolder) {
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* savedRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string runtime = savedRuntime ? savedRuntime : "";
    setenv("HOME", "/h", 1);
    unsetenv("XDG_CACHE_HOME");
    setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(InstanceLock::DefaultFolder(), "/run/user/7");
    // Never the shared temporary folder, where another user's file could block everyone.
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceLock::DefaultFolder(), "/h/.cache/Orvane/Kalidor");
    setenv("XDG_CACHE_HOME", "/c", 1);
    EXPECT_EQ(InstanceLock::DefaultFolder(), "/c/Orvane/Kalidor");
    unsetenv("XDG_CACHE_HOME");
    setenv("HOME", savedHome.c_str(), 1);
    savedRuntime ? setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");

    TempFolder dir;
    writeText(dir.path() / "file", "x");
    const InstanceLock first(dir.dir() + "made/here");
    EXPECT_EQ(first.state(), InstanceLock::State::Acquired);
    EXPECT_EQ(InstanceLock(dir.dir() + "made/here").state(), InstanceLock::State::Held);
    const InstanceLock blocked(dir.dir() + "file/lock");
    EXPECT_EQ(blocked.state(), InstanceLock::State::Failed);
    EXPECT_NE(blocked.error().find(dir.dir() + "file/lock"), std::string::npos) << blocked.error();
    EXPECT_NE(blocked.error().find("Not a directory"), std::string::npos) << blocked.error();
}

TEST(InstanceLock, OneHolderAtATimeAndAnEndedHolderFreesIt) {
    TempFolder runtime;
    {
        InstanceLock first(runtime.path().string());
        ASSERT_TRUE(first.acquired());
        EXPECT_EQ(first.path(), runtime.dir() + "KALIDOR_RUNNING.lock");
        EXPECT_EQ(secondProcessTries(runtime.path().string()), 1);
        EXPECT_TRUE(first.acquired());
    }
    EXPECT_EQ(secondProcessTries(runtime.path().string()), 0);
    // A holder that ends without releasing (as a crash would).
    const pid_t holder = fork();
    if (holder == 0) {
        InstanceLock lock(runtime.path().string());
        _exit(lock.acquired() ? 0 : 1);
    }
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_TRUE(InstanceLock(runtime.path().string()).acquired());
}

}  // namespace
}  // namespace kalidor
