#include "encode/partial_movie.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;

// What stands beside movie.mp4 before a new partial movie of it is made, and whether it stays.
TEST(PartialMovie, RemovesOnlyAbandonedPartialsOfItsOwnMovie) {
    test::TempFolder folder;
    const std::string dir = folder.dir();
    const struct {
        const char* name;
        char kind;  // f: a file, h: a file another owner holds locked, l: a link, d: a folder, p: a FIFO
        bool stays;
    } cases[] = {
        {".movie.mp4.part-aB3xY9.mp4", 'f', false},  // left by a killed export
        {".movie.mp4.part-Q1w2E3.mp4", 'h', true},   // an export still making it
        {"movie.mp4", 'f', true},
        {".other.mp4.part-aB3xY9.mp4", 'f', true},
        {".movie.mp4.part-aB3xY.mp4", 'f', true},
        {".movie.mp4.part-aB3xY_.mp4", 'f', true},
        {".movie.mp4.part-aB3xY9.avi", 'f', true},
        {".movie.mp4.part-zzzzzz.mp4", 'l', true},
        {".movie.mp4.part-dddddd.mp4", 'd', true},
        {".movie.mp4.part-pppppp.mp4", 'p', true},
    };
    test::writeText(folder.path() / "target", "not ours");
    std::vector<int> held;
    for (const auto& c : cases) {
        const std::string path = dir + c.name;
        if (c.kind == 'l') fs::create_symlink(folder.path() / "target", path);
        else if (c.kind == 'd') fs::create_directory(path);
        else if (c.kind == 'p') ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else test::writeText(path, "movie");
        if (c.kind == 'h') {
            held.push_back(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
            ASSERT_EQ(::flock(held.back(), LOCK_EX | LOCK_NB), 0);
        }
    }
    {
        PartialMovie partial(dir + "movie.mp4");
        for (const auto& c : cases)
            EXPECT_EQ(fs::exists(fs::symlink_status(dir + c.name)), c.stays) << c.name;
        EXPECT_EQ(test::readText(folder.path() / "target"), "not ours");
        // Its own is held while it is owned: the next export leaves it alone.
        EXPECT_EQ(RemoveAbandonedPartialMovies(dir + "movie.mp4"), 0);
        EXPECT_TRUE(fs::exists(partial.path()));
    }
    for (int fd : held) ::close(fd);
    // The owner gone, what it held is abandoned too.
    EXPECT_EQ(RemoveAbandonedPartialMovies(dir + "movie.mp4"), 1);
}

}  // namespace
}  // namespace kalidor
