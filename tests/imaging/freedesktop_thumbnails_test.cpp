#include "imaging/freedesktop_thumbnails.h"

#include "imaging/fitted_size.h"
#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "platform/md5.h"
#include "imaging/png_codec.h"
#include "imaging/png_writer.h"
#include "support/exif_photo.h"
#include "support/test_support.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
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

// A photo split left red | right green, whose EXIF thumbnail is split top blue / bottom yellow:
// the colours of the result tell which of the two it was made from, and which way it was turned.
constexpr Color kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF;

Bitmap halves(int width, int height, Color first, Color second, bool leftRight) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Color c = (leftRight ? x < width / 2 : y < height / 2) ? first : second;
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = blueOf(c);
            p[1] = greenOf(c);
            p[2] = redOf(c);
        }
    return b;
}

// The colours at the centres of the quarters: top left, top right, bottom left, bottom right.
std::array<Color, 4> quarters(const Bitmap& b) {
    std::array<Color, 4> out{};
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* p = b.row((1 + 2 * (i / 2)) * b.height() / 4) + 3 * ((1 + 2 * (i % 2)) * b.width() / 4);
        const auto snap = [](std::uint8_t v) { return v > 160 ? 255u : 0u; };
        out[static_cast<std::size_t>(i)] = snap(p[2]) | snap(p[1]) << 8 | snap(p[0]) << 16;
    }
    return out;
}

TEST_F(ThumbnailCache, JpegPhotosUseTheirExifThumbnailWhenItIsTheSamePictureAndLargeEnough) {
    using Bytes = std::vector<std::uint8_t>;
    const std::array<Color, 4> photo{kRed, kGreen, kRed, kGreen}, photoTurned{kRed, kRed, kGreen, kGreen};
    const std::array<Color, 4> thumb{kBlue, kBlue, kYellow, kYellow}, thumbTurned{kYellow, kBlue, kYellow, kBlue};
    const auto damaged = [](std::size_t at, std::uint32_t value) {
        return [at, value](Bytes& exif) { test::setLittle32(exif, at, value); };
    };
    struct Case {
        const char* name;
        int width, height, thumbWidth, thumbHeight, orientation;
        std::function<void(Bytes&)> damage;
        int box;
        std::array<Color, 4> expected;
        bool cutAfterHead = false;  // the photo's data ends just after its frame header
    } const cases[] = {
        {"thumbnail", 640, 480, 160, 120, 1, {}, 124, thumb},
        {"thumbnail turned", 640, 480, 160, 120, 6, {}, 124, thumbTurned},
        {"only the start is read", 640, 480, 160, 120, 1, {}, 124, thumb, true},
        {"3:2 thumbnail a pixel off", 600, 400, 160, 106, 1, {}, 124, thumb},
        {"4:3 thumbnail of a 16:9 photo", 640, 360, 160, 120, 1, {}, 124, photo},
        {"thumbnail smaller than the box", 640, 480, 120, 90, 1, {}, 124, photo},
        {"thumbnail smaller than the level", 640, 480, 160, 120, 1, {}, 200, photo},
        {"photo turned, thumbnail too small", 640, 480, 120, 90, 6, {}, 124, photoTurned},
        {"IFD1 beyond the segment", 640, 480, 160, 120, 1, damaged(test::kIfd1LinkAt, 0xFFFFFFF0), 124, photo},
        {"offset beyond the segment", 640, 480, 160, 120, 1, damaged(test::kThumbnailOffsetAt, 0xFFFFFFF0), 124, photo},
        {"length beyond the segment", 640, 480, 160, 120, 1, damaged(test::kThumbnailLengthAt, 70000), 124, photo},
        {"thumbnail cut short", 640, 480, 160, 120, 1, [](Bytes& exif) {
             test::setLittle32(exif, test::kThumbnailLengthAt, static_cast<std::uint32_t>(exif.size() - 74) * 2 / 3);
         }, 124, photo},
        {"thumbnail not a JPEG", 640, 480, 160, 120, 1, damaged(test::kThumbnailOffsetAt, 0), 124, photo},
    };
    for (const Case& c : cases) {
        Bytes exif = test::exifWithThumbnail(
            c.orientation, jpeg::encode(halves(c.thumbWidth, c.thumbHeight, kBlue, kYellow, false), 90));
        if (c.damage)
            c.damage(exif);
        Bytes file = test::withApp1(jpeg::encode(halves(c.width, c.height, kRed, kGreen, true), 90), exif);
        if (c.cutAfterHead) {  // a few bytes into the photo's scan, past the thumbnail's own
            const std::uint8_t scan[] = {0xFF, 0xDA};
            file.erase(std::search(file.begin() + 6 + static_cast<std::ptrdiff_t>(exif.size()), file.end(),
                                   std::begin(scan), std::end(scan)) + 64,
                       file.end());
        }
        const std::string path = put(std::string(c.name) + ".jpg", file);
        const bool turned = c.orientation >= 5;
        const FitSize fitted = FittedSize(turned ? c.height : c.width, turned ? c.width : c.height, c.box, c.box);
        for (int pass = 0; pass < 2; ++pass) {  // made, then read back from the cache
            Bitmap thumbnail(c.box, c.box);
            ASSERT_TRUE(cache.Extract(path, thumbnail)) << c.name;
            EXPECT_NEAR(thumbnail.width(), fitted.width, 1) << c.name;  // a thumbnail may be a pixel off
            EXPECT_NEAR(thumbnail.height(), fitted.height, 1) << c.name;
            EXPECT_EQ(quarters(thumbnail), c.expected) << c.name << ", pass " << pass;
        }
        // The entry has its level's full size whichever picture it was made from.
        const Bitmap entry = png::decode(test::readBytes(cache.EntryPath(path, c.box)));
        EXPECT_EQ(std::max(entry.width(), entry.height()), c.box <= 128 ? 128 : 256) << c.name;
    }
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
