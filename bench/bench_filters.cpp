// Throughput of the filter menu's filters, the two tone operations and the looks on a
// 2000 x 1500 picture, in megapixels per second (counter "MP/s").
#include "imaging/BilinearResampler.h"
#include "imaging/ImageFilters.h"
#include "imaging/PhotoEffect.h"
#include "platform/PictureLoader.h"
#include "platform/PixelSurface.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int32_t benchWidth = 2000;
constexpr int32_t benchHeight = 1500;

// Random bytes: no run of equal pixels for any shortcut to profit from.
void fillRandom(PixelSurface& surface)
{
    std::mt19937 random(42);
    const size_t bytes = size_t(surface.stride()) * surface.height();
    for (size_t i = 0; i < bytes; ++i)
        surface.bits()[i] = static_cast<uint8_t>(random());
}

std::unique_ptr<PixelSurface> blank()
{
    return PixelSurface::create(benchWidth, benchHeight);
}

void copyInto(PixelSurface& target, const PixelSurface& source)
{
    PixelSurface::copyBlock(target, 0, 0, benchWidth, benchHeight, source, 0, 0);
}

void setRate(benchmark::State& state)
{
    state.counters["MP/s"]
        = benchmark::Counter(double(benchWidth) * benchHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Filter(benchmark::State& state)
{
    const auto image = blank(), buffer = blank();
    fillRandom(*image);
    ImageFilters process;
    const int32_t type = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        // Each filter runs on its own output again; Unsharp and Emboss push
        // pictures towards flat ones, which costs the same per pixel.
        process.filterType(type);
        benchmark::DoNotOptimize(process.processImage(*image, *buffer));
        benchmark::ClobberMemory();
    }
    static const char* names[]
        = { "", "Blur", "Blur More", "Soften", "Soften More", "Sharpen", "Sharpen More", "Unsharp", "Emboss" };
    state.SetLabel(names[type]);
    setRate(state);
}

// Darken, as the menu runs it: Fade 240 on a fresh copy each time.
void BM_Fade(benchmark::State& state)
{
    const auto original = blank(), image = blank();
    fillRandom(*original);
    ImageFilters process;
    for (auto _ : state) {
        state.PauseTiming();
        copyInto(*image, *original);
        state.ResumeTiming();
        benchmark::DoNotOptimize(process.fade(*image, 240));
    }
    setRate(state);
}

void BM_Lighten(benchmark::State& state)
{
    const auto original = blank(), image = blank();
    fillRandom(*original);
    ImageFilters process;
    for (auto _ : state) {
        // Fresh random colours each run: lightening again would drift
        // towards white.
        state.PauseTiming();
        copyInto(*image, *original);
        state.ResumeTiming();
        benchmark::DoNotOptimize(process.lighten(*image, 10));
    }
    setRate(state);
}

// Lighten on a photo resampled to the same size: neighbouring pixels share
// colours, as they do in the pictures the program treats.
void BM_LightenPhoto(benchmark::State& state)
{
    const auto original = BilinearResampler::resized(
        *PictureLoader::load(QStringLiteral(QUILLON_TESTDATA "/photos/cameras/Canon_40D.jpg")), benchWidth,
        benchHeight);
    const auto image = blank();
    ImageFilters process;
    for (auto _ : state) {
        state.PauseTiming();
        copyInto(*image, *original);
        state.ResumeTiming();
        benchmark::DoNotOptimize(process.lighten(*image, 10));
    }
    setRate(state);
}

// The looks of the Effect menu and --effect, by PhotoEffect's order (grey,
// sepia, grain), on fresh random colours each run.
void BM_Effect(benchmark::State& state)
{
    const auto original = blank(), image = blank();
    fillRandom(*original);
    ImageFilters process;
    const auto effect = static_cast<PhotoEffect>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        copyInto(*image, *original);
        state.ResumeTiming();
        PhotoEffects::apply(effect, process, *image);
        benchmark::ClobberMemory();
    }
    state.SetLabel(PhotoEffects::nameOf(effect).toStdString());
    setRate(state);
}

} // namespace

BENCHMARK(BM_Filter)->DenseRange(1, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lighten)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LightenPhoto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Effect)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
