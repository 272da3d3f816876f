#include "platform/owned_folder.h"

#include "platform/file_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// A folder of the program's where links to the user's folder and file were planted.
struct Planted {
    TempFolder root;
    fs::path user = root.path() / "user";
    fs::path own = root.path() / "own";
    Planted() {
        fs::create_directories(user / "photos");
        test::writeText(user / "photo.jpg", "the user's photo");
        fs::create_directories(own);
        fs::create_directory_symlink(user / "photos", own / "sub");
        fs::create_symlink(user / "photo.jpg", own / "file");
    }
};

// Whatever the program does in its folder, it never reaches through a link.
TEST(OwnedFolder, NeverFollowsALinkPlantedInIt) {
    const struct {
        const char* name;
        std::function<void(const OwnedFolder&)> act;
        bool raises;
    } cases[] = {
        {"open a link as a folder", [](const OwnedFolder& f) { f.Folder("sub", 0700); }, true},
        {"make under a link", [](const OwnedFolder& f) { f.Folder("sub", 0700).Write("x", {}); }, true},
        {"own a link", [](const OwnedFolder& f) { OwnedFolder::Own(f.Path() + "sub", 0700); }, true},
        {"read a link", [](const OwnedFolder& f) { f.Read("file"); }, true},
        {"remove a link", [](const OwnedFolder& f) { EXPECT_FALSE(f.RemoveFile("file")); }, false},
        {"replace a link", [](const OwnedFolder& f) { f.Write("file", std::vector<std::uint8_t>{'n', 'e', 'w'}); }, false},
        {"place over a link",
         [](const OwnedFolder& f) { f.Place(f.Path() + "../user/photos/../photo.jpg", "file"); }, false},
    };
    for (const auto& c : cases) {
        Planted p;
        const OwnedFolder folder = OwnedFolder::At(p.own.string());
        if (c.raises) {
            try {
                c.act(folder);
                ADD_FAILURE() << c.name << ": no error";
            } catch (const FileError& e) {
                EXPECT_NE(std::string(e.what()).find(p.own.string()), std::string::npos) << c.name << ": " << e.what();
            }
        } else {
            c.act(folder);
        }
        EXPECT_EQ(test::readText(p.user / "photo.jpg"), "the user's photo") << c.name;
        EXPECT_TRUE(fs::is_empty(p.user / "photos")) << c.name;
    }
}

// The process umask as the kernel reports it, read without changing it.
std::string umaskNow() {
    const std::string status = test::readText("/proc/self/status");
    const auto at = status.find("Umask:");
    return at == std::string::npos ? "" : status.substr(at + 6, status.find('\n', at) - at - 6);
}

// Files are made with the user's mode while other threads make theirs: the umask is never
// borrowed, not even for a moment, so no file of any thread is made with another mode.
TEST(OwnedFolder, FilesTakeTheUmaskWhileOtherThreadsWrite) {
    TempFolder root;
    const mode_t saved = ::umask(027);
    const std::string expected = umaskNow();
    ASSERT_NE(expected, "");
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        for (int i = 0; i < 600; ++i) writeFileAtomically(root.dir() + "project.dat", std::vector<std::uint8_t>(16, 1));
        stop = true;
    });
    int seenOther = 0;
    while (!stop) seenOther += umaskNow() != expected;
    writer.join();
    ::umask(saved);
    EXPECT_EQ(seenOther, 0);
    EXPECT_EQ(fs::status(root.path() / "project.dat").permissions(), fs::perms(0640));
    EXPECT_EQ(OwnedFolder::At(root.dir()).FileNames(), std::vector<std::string>{"project.dat"});  // no temporary left
}

}  // namespace
}  // namespace kalidor
