// Turning a 12-megapixel photo upright, and the memory a photo is decoded into.
//   build/bench/bench_upright
// BM_Upright/N turns a 4000 x 3000 picture for EXIF orientation N. 2 to 4
// work in place and should run at least as fast (bytes_per_second) as
// BM_Memcpy12MP, which copies the same 36 MB; 5 to 8 make a new
// 3000 x 4000 surface each time, in the memory the previous one gave back,
// and walk the stored columns, a few times slower than the copy.
// BM_NewSurface36MB makes a 4000 x 3000 surface and writes every byte, as the
// decoder does: a cleared one in fresh memory (reused:0) pays the first-touch
// page faults, one for overwriting in memory the previous one gave back
// (reused:1) does not.
#include "imaging/PictureOrientation.h"
#include "platform/PixelMemory.h"
#include "platform/PixelSurface.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

namespace {

constexpr int32_t PhotoWidth = 4000;
constexpr int32_t PhotoHeight = 3000;

int64_t photoBytes()
{
    return int64_t(PixelSurface::strideFor(PhotoWidth)) * PhotoHeight;
}

std::unique_ptr<PixelSurface> randomPhoto()
{
    auto picture = PixelSurface::create(PhotoWidth, PhotoHeight);
    std::mt19937 random(7);
    for (int64_t i = 0; i < photoBytes(); i += 4) {
        const uint32_t v = random();
        std::memcpy(picture->bits() + i, &v, 4);
    }
    return picture;
}

void BM_Memcpy12MP(benchmark::State& state)
{
    const auto from = randomPhoto();
    auto to = PixelSurface::create(PhotoWidth, PhotoHeight);
    for (auto _ : state) {
        std::memcpy(to->bits(), from->bits(), static_cast<size_t>(photoBytes()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * photoBytes());
}

void BM_Upright(benchmark::State& state)
{
    const int orientation = static_cast<int>(state.range(0));
    auto picture = randomPhoto();
    for (auto _ : state) {
        picture = PictureOrientation::upright(std::move(picture), orientation);
        benchmark::DoNotOptimize(picture->bits());
    }
    state.SetBytesProcessed(state.iterations() * photoBytes());
    PixelMemory::emptyCache();
}

void BM_NewSurface36MB(benchmark::State& state)
{
    const bool reused = state.range(0) != 0;
    PixelMemory::emptyCache();
    for (auto _ : state) {
        auto surface = reused ? PixelSurface::createForOverwrite(PhotoWidth, PhotoHeight)
                              : PixelSurface::create(PhotoWidth, PhotoHeight);
        std::memset(surface->bits(), 0x80, static_cast<size_t>(photoBytes()));
        benchmark::DoNotOptimize(surface->bits());
    }
    state.SetBytesProcessed(state.iterations() * photoBytes());
    PixelMemory::emptyCache();
}

} // namespace

BENCHMARK(BM_Memcpy12MP)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Upright)->DenseRange(2, 8)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_NewSurface36MB)->ArgName("reused")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BENCHMARK_MAIN();
