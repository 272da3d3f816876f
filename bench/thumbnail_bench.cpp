// Thumbnails of a 12-megapixel photograph (4000 x 3000 JPEG): adding it to a project (copy and
// 105 x 105 thumbnail, decoded at a reduced DCT scale), against the plain reference of decoding
// it whole and averaging it down; the browser's 124 x 124 thumbnail made (cache miss) from the
// photo without an EXIF thumbnail and from the same photo with a 160 x 120 one, and read back
// from the freedesktop cache (hit); and a folder of 300 such photos made cold by the browser's
// thumbnail workers: today's way (one worker a core less one, every photo decoded) against
// the EXIF thumbnails on every core. Compare the times of one run with each other.

#include "desktop_rules/thumbnail_loader.h"
#include "model/picture_adding.h"
#include "model/th_utility.h"
#include "imaging/bitmap_utils.h"
#include "imaging/freedesktop_thumbnails.h"
#include "imaging/jpeg_codec.h"
#include "platform/file_io.h"
#include "support/exif_photo.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <random>

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

constexpr int kFolderPhotos = 300;

struct Scratch {
    fs::path root = fs::temp_directory_path() / ("kalidor-thumbnail-bench-" + std::to_string(::getpid()));
    std::string photo;           // no EXIF thumbnail
    std::string photoWithThumb;  // the same with a 160 x 120 one, as cameras write it
    Scratch() {
        fs::create_directories(root);
        Bitmap b(4000, 3000);
        std::mt19937 random(3);
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                std::uint8_t* p = b.row(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>(x * 255 / 4000);
                p[1] = static_cast<std::uint8_t>(y * 255 / 3000);
                p[2] = static_cast<std::uint8_t>((random() & 0x3F) + 96);
            }
        const std::vector<std::uint8_t> bytes = jpeg::encode(b, 90);
        photo = (root / "photo.jpg").string();
        writeFileAtomically(photo, bytes);
        const std::vector<std::uint8_t> thumbnail = jpeg::encode(ResizeAverage(b, 160, 120), 90);
        photoWithThumb = (root / "photo-with-thumbnail.jpg").string();
        writeFileAtomically(photoWithThumb, test::withApp1(bytes, test::exifWithThumbnail(1, thumbnail)));
    }
    ~Scratch() { fs::remove_all(root); }

    // A folder of 300 names of the photo: hard links, so that the folder takes the room of one
    // photo; each name has its own cache entry, and all are read from the page cache alike.
    std::vector<std::string> folder(bool withThumbnails) {
        const fs::path dir = root / (withThumbnails ? "folder-with-thumbnails" : "folder");
        std::vector<std::string> paths;
        fs::create_directories(dir);
        for (int i = 0; i < kFolderPhotos; ++i) {
            const fs::path path = dir / ("IMG_" + std::to_string(1000 + i) + ".jpg");
            if (!fs::exists(path))
                fs::create_hard_link(withThumbnails ? photoWithThumb : photo, path);
            paths.push_back(path.string());
        }
        return paths;
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

void BM_AddPicture_DctScaled(benchmark::State& state) {
    const std::string projectDir = (scratch().root / "project").string() + "/";
    for (auto _ : state) {
        auto picture = PreparePictureFile(projectDir, scratch().photo);
        benchmark::DoNotOptimize(picture->Thumbnail.data());
        state.PauseTiming();
        fs::remove(picture->PicturePath);
        state.ResumeTiming();
    }
}

void BM_Reference_FullDecodeThumbnail(benchmark::State& state) {
    for (auto _ : state) {
        Bitmap fitted;
        ThUtility::LoadImageFitted(scratch().photo, 105, 105, fitted);
        benchmark::DoNotOptimize(fitted.data());
    }
}

void browserThumbnailMiss(benchmark::State& state, const std::string& photo) {
    const FreedesktopThumbnails cache((scratch().root / "cache").string());
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(cache.EntryPath(photo, 124));
        state.ResumeTiming();
        Bitmap thumbnail(124, 124);
        if (!cache.Extract(photo, thumbnail))
            state.SkipWithError("no thumbnail");
    }
}

void BM_BrowserThumbnail_Miss(benchmark::State& state) { browserThumbnailMiss(state, scratch().photo); }

void BM_BrowserThumbnail_Miss_ExifThumbnail(benchmark::State& state) {
    browserThumbnailMiss(state, scratch().photoWithThumb);
}

void BM_BrowserThumbnail_Hit(benchmark::State& state) {
    const FreedesktopThumbnails cache((scratch().root / "cache").string());
    Bitmap first(124, 124);
    cache.Extract(scratch().photo, first);
    for (auto _ : state) {
        Bitmap thumbnail(124, 124);
        benchmark::DoNotOptimize(cache.Extract(scratch().photo, thumbnail));
    }
}

// The folder shown in the browser for the first time: every thumbnail made by its workers
// into an empty cache. Arguments: workers, and whether the photos carry EXIF thumbnails.
void BM_BrowserFolder300_Cold(benchmark::State& state) {
    const int workers = static_cast<int>(state.range(0));
    const std::vector<std::string> paths = scratch().folder(state.range(1) != 0);
    const fs::path cacheRoot = scratch().root / "folder-cache";
    const FreedesktopThumbnails cache(cacheRoot.string());
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(cacheRoot);
        state.ResumeTiming();
        std::atomic<int> made{0};
        rules::ThumbnailLoader loader(
            [&cache](const std::string& path, Bitmap& bitmap) { return cache.Extract(path, bitmap); },
            [&made](std::uint64_t, int, std::optional<Bitmap> thumbnail) { made += thumbnail.has_value(); }, workers);
        loader.Start(paths, 124, 124);
        loader.WaitIdle();
        if (made != kFolderPhotos)
            state.SkipWithError("a thumbnail is missing");
    }
    state.counters["photos_per_s"] =
        benchmark::Counter(double(kFolderPhotos) * double(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_AddPicture_DctScaled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference_FullDecodeThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserThumbnail_Miss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserThumbnail_Miss_ExifThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserThumbnail_Hit)->Unit(benchmark::kMillisecond);
// Today's way on two cores (one worker, photos decoded) and every core decoding, once each; one
// worker and every core on the EXIF thumbnails. The work runs on the workers: real time counts.
static void folderRuns(benchmark::internal::Benchmark* b) {
    b->ArgNames({"workers", "exif"})->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_BrowserFolder300_Cold)->Apply(folderRuns)->Args({1, 0})->Args({2, 0})->Iterations(1);
BENCHMARK(BM_BrowserFolder300_Cold)->Apply(folderRuns)->Args({1, 1})->Args({2, 1})->Iterations(5);
