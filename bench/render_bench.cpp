// Frames per second of RenderPicture at 1280 x 720 for a 10-second zoom and a 10-second still
// picture, with one frame worker and with one per core, and the zoom with the whole enlargement
// resampled instead of only its visible part. Compare the rates of one run with each other.

#include "render/frame_progress.h"
#include "render/render_picture.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

using namespace kalidor;

namespace {

class QuietProgress : public FrameProgress {
public:
    void ReportFrame() override {}
    bool CancelRequested() override { return false; }
};

const Bitmap& fittedPicture() {
    static const Bitmap picture = [] {
        Bitmap b(1280, 720);
        std::mt19937 random(7);
        for (int y = 0; y < 720; ++y)
            for (int x = 0; x < 1280; ++x) {
                std::uint8_t* p = b.row(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>((x * 255) / 1280);
                p[1] = static_cast<std::uint8_t>((y * 255) / 720);
                p[2] = static_cast<std::uint8_t>(random() & 0x3F) + 96;
            }
        return b;
    }();
    return picture;
}

void renderTenSeconds(benchmark::State& state, std::uint8_t action, int workers, bool wholeZoom) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kalidor-render-bench";
    TThPicObject picture;
    picture.PicAction = action;
    picture.DisplayTime = 10;
    picture.Text = "ベンチマーク Benchmark";
    picture.StrAction = asBottomC;
    QuietProgress progress;
    RenderOptions options;
    options.workers = workers;
    options.resampleWholeZoom = wholeZoom;
    int frames = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        frames += RenderPicture(fittedPicture(), dir.string() + "/", picture, 1, progress, options) - 1;
    }
    std::filesystem::remove_all(dir);
    state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
}

const int allCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

}  // namespace

BENCHMARK_CAPTURE(renderTenSeconds, zoom_1_worker, apZoomIN, 1, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(renderTenSeconds, zoom_all_workers, apZoomIN, allCores, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(renderTenSeconds, zoom_1_worker_whole_enlargement, apZoomIN, 1, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(renderTenSeconds, still_1_worker, apNone, 1, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(renderTenSeconds, still_all_workers, apNone, allCores, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
