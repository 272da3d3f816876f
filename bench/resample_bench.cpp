// ResizeBilinear against its literal per-cell reference on a 640 x 480 picture, enlarged to twice
// its size and to the 1865 x 1384 of a zoom; and the frame-sized window that the zoom actually uses.

#include "imaging/bitmap_utils.h"
#include "imaging/resample_detail.h"
#include "imaging/reference_resample.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using kalidor::Bitmap;

const Bitmap& picture() {
    static const Bitmap bitmap = [] {
        Bitmap b(640, 480, 24);
        std::mt19937 rng(1);
        for (std::size_t i = 0; i < b.byteSize(); ++i)
            b.data()[i] = static_cast<std::uint8_t>(rng());
        return b;
    }();
    return bitmap;
}

void BM_ReferenceBilinear(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(kalidor::test::ReferenceResizeBilinear(picture(), w, h));
    state.SetItemsProcessed(state.iterations() * w * h);
}

// Argument 2: 1 with four-double vectors where the processor has them, 0 with pairs only.
void BM_ResizeBilinear(benchmark::State& state) {
    kalidor::detail::UseWideVectors(state.range(2) != 0);
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(kalidor::ResizeBilinear(picture(), w, h));
    state.SetItemsProcessed(state.iterations() * w * h);
}

// The 640 x 480 middle of the 1865 x 1384 enlargement.
void BM_ResizeBilinearWindow(benchmark::State& state) {
    kalidor::detail::UseWideVectors(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            kalidor::ResizeBilinearWindow(picture(), 1865, 1384, (1865 - 640) / 2, (1384 - 480) / 2, 640, 480));
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}

BENCHMARK(BM_ReferenceBilinear)->Args({1280, 960})->Args({1865, 1384})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeBilinear)->ArgsProduct({{1280}, {960}, {0, 1}})->Args({1865, 1384, 0})->Args({1865, 1384, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeBilinearWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
