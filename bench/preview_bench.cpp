// Frames per second the preview composes, on every core, for a 10-second zoom with a caption at
// 1280 x 720 and at 2000 x 1500: the preview plays at 30 frames per second, so the counter
// "of_30fps" says how many times over the machine keeps up. The picture is read and fitted
// before the timing starts, as the preview has it fitted before it plays.

#include "imaging/jpeg_codec.h"
#include "render/preview_composer.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>

using namespace kalidor;

namespace {

// A 3000 x 2000 photograph-like picture in the temporary folder.
std::string photo() {
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "kalidor-preview-bench.jpg").string();
        Bitmap b(3000, 2000);
        std::mt19937 random(7);
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                std::uint8_t* p = b.row(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>((x * 255) / b.width());
                p[1] = static_cast<std::uint8_t>((y * 255) / b.height());
                p[2] = static_cast<std::uint8_t>(random() & 0x3F) + 96;
            }
        jpeg::writeFile(b, file, 92);
        return file;
    }();
    return path;
}

void previewZoom(benchmark::State& state, int width, int height) {
    TThPicObjectManager project;
    project.MovWidth = width;
    project.MovHeight = height;
    auto picture = std::make_unique<TThPicObject>();
    picture->PicturePath = photo();
    picture->PicAction = apZoomIN;
    picture->DisplayTime = 10;
    picture->Text = "ベンチマーク Benchmark";
    picture->StrAction = asBottomC;
    project.Add(std::move(picture));

    std::mutex mutex;
    std::condition_variable arrived;
    std::int64_t delivered = 0;
    PreviewComposer composer([&](std::uint64_t, std::int64_t, const Bitmap*, const Message&) {
        std::lock_guard lock(mutex);
        ++delivered;
        arrived.notify_all();
    });
    composer.SetProject(project);
    const auto waitFor = [&](std::int64_t count) {
        std::unique_lock lock(mutex);
        arrived.wait(lock, [&] { return delivered >= count; });
    };
    composer.Want(0, 1);  // reads and fits the picture
    waitFor(1);
    const int frames = 10 * 30 - 1;
    std::int64_t composed = 0;
    for (auto _ : state) {
        composer.Forget();
        const std::int64_t before = [&] {
            std::lock_guard lock(mutex);
            return delivered;
        }();
        composer.Want(1, frames);
        waitFor(before + frames);
        composed += frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(composed), benchmark::Counter::kIsRate);
    state.counters["of_30fps"] = benchmark::Counter(static_cast<double>(composed) / 30.0, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(previewZoom, zoom_1280x720_all_cores, 1280, 720)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(previewZoom, zoom_2000x1500_all_cores, 2000, 1500)->Unit(benchmark::kMillisecond)->UseRealTime();
