#include "imaging/freedesktop_thumbnails.h"

#include "imaging/fitted_size.h"
#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "platform/md5.h"
#include "imaging/png_codec.h"
#include "imaging/png_writer.h"
#include "support/test_support.h"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;

Bitmap gradient(int width, int height) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 255 / width);
            p[1] = static_cast<std::uint8_t>(y * 255 / height);
            p[2] = 128;
        }
    return b;
}

int modeOf(const fs::path& path) {
    struct stat info{};
    ::stat(path.c_str(), &info);
    return static_cast<int>(info.st_mode & 0777);
}

TEST(Md5, KnownDigests) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        // 80 bytes: the length goes into a second padding block.
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // The thumbnail standard's own example.
        {"file:///home/jens/photos/me.png", "c6ee772d9e49320e97ec29a7eb5b1697"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(Md5Hex(text), digest) << text;
}

TEST(FreedesktopThumbnails, FileUrisEscapeAllButTheSafeCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/a/me.png", "file:///home/a/me.png"},
        {"/p/a b#%?;[]\"<>^`{|}\\.jpg", "file:///p/a%20b%23%25%3F%3B%5B%5D%22%3C%3E%5E%60%7B%7C%7D%5C.jpg"},
        {"/p/!$&'()*+,-.:=@_~", "file:///p/!$&'()*+,-.:=@_~"},
        {"/写真/ü.JPG", "file:///%E5%86%99%E7%9C%9F/%C3%BC.JPG"},
    };
    for (const auto& [path, uri] : cases)
        EXPECT_EQ(ThumbnailFileUri(path), uri) << path;
}

class ThumbnailCache : public ::testing::Test {
protected:
    test::TempFolder pictures;
    test::TempFolder cacheFolder;
    FreedesktopThumbnails cache{cacheFolder.dir() + "thumbnails"};

    std::string put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = pictures.path() / name;
        test::writeBytes(path, bytes);
        return path.string();
    }
};

TEST_F(ThumbnailCache, PicturesAreFittedIntoTheBoxAndCachedAsTheStandardSays) {
    struct Case {
        const char* name;
        int width, height;
        std::vector<std::uint8_t> bytes;
        int box;
        const char* level;
        int entryWidth, entryHeight;
    } const cases[] = {
        {"wide.jpg", 1600, 1200, jpeg::encode(gradient(1600, 1200), 90), 124, "normal", 128, 96},
        {"tall.png", 100, 300, png::encode(gradient(100, 300)), 105, "normal", 43, 128},
        {"square.bmp", 64, 64, bmp::encode(gradient(64, 64)), 124, "normal", 64, 64},  // kept at its size
        {"big box.jpg", 1000, 500, jpeg::encode(gradient(1000, 500), 90), 200, "large", 256, 128},
    };
    for (const Case& c : cases) {
        const std::string path = put(c.name, c.bytes);
        const FitSize fitted = FittedSize(c.width, c.height, c.box, c.box);
        for (int pass = 0; pass < 2; ++pass) {  // made, then read from the cache
            Bitmap thumbnail(c.box, c.box);
            ASSERT_TRUE(cache.Extract(path, thumbnail)) << c.name;
            EXPECT_EQ(thumbnail.width(), fitted.width) << c.name;
            EXPECT_EQ(thumbnail.height(), fitted.height) << c.name;
            EXPECT_EQ(thumbnail.bitsPerPixel(), 24);
        }

        const fs::path entry = cache.EntryPath(path, c.box);
        EXPECT_EQ(entry, fs::path(cacheFolder.dir()) / "thumbnails" / c.level /
                             (Md5Hex(ThumbnailFileUri(path)) + ".png"));
        ASSERT_TRUE(fs::is_regular_file(entry)) << c.name;
        EXPECT_EQ(modeOf(entry), 0600);
        EXPECT_EQ(modeOf(entry.parent_path()), 0700);
        const std::vector<std::uint8_t> bytes = test::readBytes(entry);
        const Bitmap stored = png::decode(bytes);
        EXPECT_EQ(stored.width(), c.entryWidth) << c.name;
        EXPECT_EQ(stored.height(), c.entryHeight) << c.name;
        const auto text = png::readText(bytes);
        ASSERT_TRUE(text);
        struct stat info{};
        ::stat(path.c_str(), &info);
        EXPECT_EQ(text->at("Thumb::URI"), ThumbnailFileUri(path));
        EXPECT_EQ(text->at("Thumb::MTime"), std::to_string(info.st_mtime));
        EXPECT_EQ(text->at("Thumb::Size"), std::to_string(info.st_size));
    }
    for (const auto& item : fs::directory_iterator(fs::path(cacheFolder.dir()) / "thumbnails" / "normal"))
        EXPECT_EQ(item.path().extension(), ".png") << "no temporary file is left: " << item.path();
}

TEST_F(ThumbnailCache, WhatIsNoPictureGivesFalseAndLeavesTheBitmap) {
    fs::create_directory(pictures.path() / "folder.jpg");
    struct Case {
        std::string path;
        int box;
        bool failMarker;
    } const cases[] = {
        {put("broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'}), 124, true},
        {put("notes.png", {'h', 'e', 'l', 'l', 'o'}), 124, false},
        {put("empty box.png", png::encode(gradient(8, 8))), 0, false},
        {(pictures.path() / "folder.jpg").string(), 124, false},
        {(pictures.path() / "missing.jpg").string(), 124, false},
    };
    for (const Case& c : cases) {
        Bitmap bitmap(c.box, c.box == 0 ? 5 : c.box);
        bitmap.fillBgr24(0x123456);
        const Bitmap before = bitmap;
        for (int attempt = 0; attempt < 2; ++attempt) {  // the second one meets the failure marker
            EXPECT_FALSE(cache.Extract(c.path, bitmap)) << c.path;
            EXPECT_EQ(bitmap, before) << c.path;
        }
        EXPECT_FALSE(fs::exists(cache.EntryPath(c.path, 124))) << "never cached as good: " << c.path;
        EXPECT_EQ(fs::exists(cache.FailPath(c.path)), c.failMarker) << c.path;
    }
}

TEST_F(ThumbnailCache, AHitIsUsedUntilTheFileChanges) {
    const std::string path = put("photo.png", png::encode(gradient(200, 100)));
    Bitmap first(124, 124);
    ASSERT_TRUE(cache.Extract(path, first));

    // Replace the entry's pixels, keeping its keys: a hit must come from the entry.
    const std::string entry = cache.EntryPath(path, 124);
    const auto text = *png::readText(test::readBytes(entry));
    Bitmap marked(128, 64);
    marked.fillBgr24(0x0000FF);
    std::vector<png::TextChunk> chunks;
    for (const auto& [key, value] : text)
        chunks.push_back({key, value});
    test::writeBytes(entry, png::encode(marked, chunks));
    Bitmap hit(124, 124);
    ASSERT_TRUE(cache.Extract(path, hit));
    EXPECT_EQ(hit.row(10)[2], 0xFF);

    // A new modification time makes the entry stale.
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    Bitmap fresh(124, 124);
    ASSERT_TRUE(cache.Extract(path, fresh));
    EXPECT_EQ(fresh, first);
    EXPECT_EQ(png::readText(test::readBytes(entry))->at("Thumb::MTime"), "1000000000");
}

TEST_F(ThumbnailCache, WorkerThreadsShareTheCache) {
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(put("p" + std::to_string(i) + ".jpg", jpeg::encode(gradient(300 + i, 200), 90)));
    std::vector<std::thread> workers;
    std::atomic<int> made{0};
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (const std::string& path : paths) {
                Bitmap thumbnail(124, 124);
                made += cache.Extract(path, thumbnail) && thumbnail.width() == 124;
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(made, 24);
    for (const std::string& path : paths)
        EXPECT_TRUE(png::readText(test::readBytes(cache.EntryPath(path, 124))));
}

TEST(FreedesktopThumbnailsRoot, FollowsXdgCacheHome) {
    const char* saved = std::getenv("XDG_CACHE_HOME");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_CACHE_HOME", "/srv/cache", 1);
    EXPECT_EQ(FreedesktopThumbnails::DefaultRoot(), "/srv/cache/thumbnails/");
    ::setenv("XDG_CACHE_HOME", "relative", 1);  // not absolute: ignored, as the standard says
    EXPECT_EQ(FreedesktopThumbnails::DefaultRoot(), std::string(std::getenv("HOME")) + "/.cache/thumbnails/");
    if (saved)
        ::setenv("XDG_CACHE_HOME", keep.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace kalidor
