// Thumbnails of a 12-megapixel photograph (4000 x 3000 JPEG): adding it to a project (copy and
// 105 x 105 thumbnail, decoded at a reduced DCT scale), against the plain reference of decoding
// it whole and averaging it down; and the browser's 124 x 124 thumbnail made (cache miss) and
// read back from the freedesktop cache (hit). Compare the times of one run with each other.

#include "model/picture_adding.h"
#include "model/th_utility.h"
#include "imaging/freedesktop_thumbnails.h"
#include "imaging/jpeg_codec.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

struct Scratch {
    fs::path root = fs::temp_directory_path() / ("kalidor-thumbnail-bench-" + std::to_string(::getpid()));
    std::string photo;
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
        photo = (root / "photo.jpg").string();
        jpeg::writeFile(b, photo, 90);
    }
    ~Scratch() { fs::remove_all(root); }
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

void BM_BrowserThumbnail_Miss(benchmark::State& state) {
    const FreedesktopThumbnails cache((scratch().root / "cache").string());
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(cache.EntryPath(scratch().photo, 124));
        state.ResumeTiming();
        Bitmap thumbnail(124, 124);
        benchmark::DoNotOptimize(cache.Extract(scratch().photo, thumbnail));
    }
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

}  // namespace

BENCHMARK(BM_AddPicture_DctScaled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference_FullDecodeThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserThumbnail_Miss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserThumbnail_Hit)->Unit(benchmark::kMillisecond);
