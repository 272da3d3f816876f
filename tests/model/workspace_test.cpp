#include "platform/error.h"
#include "imaging/font_family.h"
#include "imaging/freedesktop_thumbnails.h"
#include "platform/instance_lock.h"
#include "platform/user_folders.h"
#include "model/workspace.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <pwd.h>
#include <sstream>
#include <sched.h>
#include <sys/mount.h>
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

// What is missing or a copy cut short (empty or the start of the delivered file) is put in
// place; once whole it is recorded, and from then on the user's: what the user changed stays.
TEST(Workspace, DeliveredDataFillsWhatIsMissingOrCutShortAndNeverTheUsersFiles) {
    TempFolder data, base;
    for (const char* folder : {"img", "config", "project"}) fs::create_directories(data.path() / folder);
    writeText(data.path() / "config" / "actionList.dat", "catalogue");
    writeText(data.path() / "project" / "thum.bmp", "thumb");
    const Workspace ws = PrepareWorkspace(base.dir());
    fs::create_directories(ws.ImgDir);
    const struct {
        const char* name;
        const char* there;  // before the first start; nullptr: nothing
        bool replaced;
    } images[] = {{"missing.png", nullptr, true}, {"empty.png", "", true},       {"cut.png", "new", true},
                  {"users.png", "user's", false}, {"shorter.png", "mi", false}, {"same.png", "new image", false}};
    for (const auto& image : images) {
        writeText(data.path() / "img" / image.name, "new image");
        if (image.there) writeText(ws.ImgDir + image.name, image.there);
    }
    EXPECT_EQ(InstallDeliveredData(data.dir(), ws), 5);
    for (const auto& image : images)
        EXPECT_EQ(readText(ws.ImgDir + image.name), image.replaced ? "new image" : image.there) << image.name;
    EXPECT_EQ(readText(ws.ConfigDir + "actionList.dat"), "catalogue");
    EXPECT_EQ(readText(ws.ProjectRoot + "thum.bmp"), "thumb");
    EXPECT_EQ(test::filesIn(ws.ImgDir).size(), std::size(images));  // no temporary file is left
    std::string recorded;
    std::istringstream record(readText(ws.ConfigDir + kDeliveredRecordName));
    for (std::string line; std::getline(record, line);) recorded += line.substr(34) + " ";
    EXPECT_EQ(recorded, "config/actionList.dat img/cut.png img/empty.png img/missing.png img/same.png project/thum.bmp ");
    // Recorded files the user emptied or cut stay as they are.
    writeText(ws.ImgDir + "missing.png", "");
    writeText(ws.ConfigDir + "actionList.dat", "cata");
    EXPECT_EQ(InstallDeliveredData(data.dir(), ws), 0);
    EXPECT_EQ(readText(ws.ImgDir + "missing.png"), "");
    EXPECT_EQ(readText(ws.ConfigDir + "actionList.dat"), "cata");
}

// The images drawn for other languages are delivered in img/<language>/ and shown in their
// language, English's standing in for a language without its own; a delivered image the user
// replaced stays the user's in every language until the language's drawing is replaced too.
TEST(Workspace, ImagesOfTheLanguageAreDeliveredAndTheUsersOwnWins) {
    TempFolder data, base;
    for (const char* file : {"img/words.png", "img/plain.png", "img/en/words.png", "img/en/thum.bmp",
                             "project/thum.bmp", "config/actionList.dat"}) {
        fs::create_directories((data.path() / file).parent_path());
        writeText(data.path() / file, file);
    }
    const Workspace ws = PrepareWorkspace(base.dir());
    EXPECT_EQ(InstallDeliveredData(data.dir(), ws), 6);
    EXPECT_EQ(readText(ws.ImgDir + "en/words.png"), "img/en/words.png");
    const struct {
        const char* replaced;  // the file the user changes before the look-up, or nullptr
        const char* language;
        const char* name;
        std::string found;
    } steps[] = {
        {nullptr, "ja", "words.png", ws.ImgDir + "words.png"},
        {nullptr, "en", "words.png", ws.ImgDir + "en/words.png"},
        {nullptr, "en", "plain.png", ws.ImgDir + "plain.png"},
        {nullptr, "pt_BR", "words.png", ws.ImgDir + "en/words.png"},
        {"words.png", "en", "words.png", ws.ImgDir + "words.png"},
        {"en/words.png", "en", "words.png", ws.ImgDir + "en/words.png"},
    };
    for (const auto& step : steps) {
        if (step.replaced) writeText(ws.ImgDir + step.replaced, "the user's");
        EXPECT_EQ(InterfaceImagePath(ws, step.name, step.language), step.found) << step.language << " " << step.name;
    }
    EXPECT_EQ(EmptyProjectThumbnail(ws, "ja"), ws.ProjectRoot + "thum.bmp");
    EXPECT_EQ(EmptyProjectThumbnail(ws, "en"), ws.ImgDir + "en/thum.bmp");
}

// A disk that fills up at the first start: each file is there whole or not at all, the failure
// says the disk is full, and with room again the next start completes the workspace.
TEST(Workspace, AFullDiskLeavesNoCutFileAndSaysSo) {
    TempFolder data, disk;
    std::map<std::string, std::string> files{{"config/actionList.dat", "catalogue"}, {"project/thum.bmp", "thumb"}};
    for (int i = 0; i < 12; ++i) files["img/" + std::to_string(i) + ".png"] = std::string(12000, char('a' + i));
    for (const auto& [name, bytes] : files) {
        fs::create_directories((data.path() / name).parent_path());
        writeText(data.path() / name, bytes);
    }
    const std::string said = test::runInChild([&] {
        // A small file system of the child's own, in a mount namespace nobody else sees.
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("full", disk.path().c_str(), "tmpfs", 0, "size=64k") != 0)
            return std::string("skip: ") + std::strerror(errno);
        const Workspace ws = PrepareWorkspace(disk.dir());
        std::string result;
        const auto look = [&](const std::string& when) {  // every file whole, and nothing else
            std::size_t whole = 0;
            const std::string program = disk.dir() + "Orvane/Kalidor/";
            for (const auto& entry : fs::recursive_directory_iterator(program)) {
                const std::string name = entry.path().string().substr(program.size());
                if (entry.is_regular_file() && files.count(name) && readText(entry.path()) == files.at(name)) ++whole;
                else if (entry.is_regular_file() && name != std::string("config/") + kDeliveredRecordName)
                    result += when + ": " + name + " is not whole; ";
            }
            return whole;
        };
        try {
            InstallDeliveredData(data.dir(), ws);
            result += "no failure; ";
        } catch (const Error& e) {
            if (std::string(e.what()).rfind(std::string(kInstallDiskFullMessage) + "\ncannot write " + ws.ImgDir, 0) != 0)
                result += std::string("said: ") + e.what() + "; ";
        }
        look("full");
        if (mount("full", disk.path().c_str(), "tmpfs", MS_REMOUNT, "size=1m") != 0) return std::string("cannot grow");
        InstallDeliveredData(data.dir(), ws);
        return look("with room") == files.size() ? result : result + "files are missing";
    });
    if (said.rfind("skip: ", 0) == 0) GTEST_SKIP() << "no mount namespace of the test's own: " << said;
    EXPECT_EQ(said, "");
}

// Without HOME (a service, env -i) the folders come from the user database's home, never from
// a folder others can write; where the user has none, what needs the home refuses.
TEST(Workspace, WithoutHomeTheUserDatabaseGivesTheHomeOrNothingIsMade) {
    const std::string db = getpwuid(getuid())->pw_dir;
    uid_t stranger = 54321;  // a user the database does not know
    while (getpwuid(stranger)) ++stranger;
    const struct {
        const char* home;
        const char* kalidorHome;
        bool known;           // the user is in the database
        std::string folders;  // the workspace's base | the thumbnails | the instance lock's
    } cases[] = {
        {"/h", nullptr, true, "/h/.local/share/|/h/.cache/thumbnails/|/h/.cache/Orvane/Kalidor"},
        {nullptr, nullptr, true, db + "/.local/share/|" + db + "/.cache/thumbnails/|" + db + "/.cache/Orvane/Kalidor"},
        {nullptr, nullptr, false, "no home||no home"},
        {nullptr, "/k", false, "/k/||no home"},
    };
    for (const auto& c : cases) {
        if (!c.known && getuid() != 0) continue;  // only root can become a user the database does not know
        const std::string said = test::runInChild([&] {
            clearenv();
            if (c.home) setenv("HOME", c.home, 1);
            if (c.kalidorHome) setenv("KALIDOR_HOME", c.kalidorHome, 1);
            if (!c.known && setuid(stranger) != 0) return std::string("cannot become a stranger");
            const auto folder = [](std::string (*find)()) -> std::string {
                try {
                    return find();
                } catch (const Error& e) {
                    return std::string(e.what()).find("no home folder") != std::string::npos ? "no home" : e.what();
                }
            };
            return folder(WorkspaceBase) + "|" + FreedesktopThumbnails::DefaultRoot() + "|" + folder(InstanceLock::DefaultFolder);
        });
        EXPECT_EQ(said, c.folders) << (c.home ? c.home : "-") << (c.known ? "" : ", a stranger");
    }
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
