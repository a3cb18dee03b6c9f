// What printing the stamp costs on a 2000 x 1500 working image (a 12
// megapixel photo at the default scale), in each look, with auto-contrast,
// and with the caption strip's render; each against the shadow, the stamp
// as it has always been.
#include "GuiBenchmarkMain.h"
#include "files/CaptionStrip.h"
#include "platform/PixelSurface.h"
#include "workflow/PhotoState.h"
#include "workflow/StampPlacement.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int32_t benchWidth = 2000;
constexpr int32_t benchHeight = 1500;

StampPlacement stampFor(StampLook look, bool autoContrast)
{
    StampPlacement stamp;
    stamp.font = StampPlacement::screenFont(QFont(QStringLiteral("DejaVu Sans"), 16));
    stamp.firstColor = Qt::black;
    stamp.secondColor = Qt::white;
    stamp.first = QPoint(0, 0);
    stamp.second = QPoint(-2, 2);
    stamp.heightPercent = 4; // 60 pixels high
    stamp.anchoring = { StampAnchoring::Place::BottomRight, 3, 0, 0 };
    stamp.look = look;
    stamp.autoContrast = autoContrast;
    return stamp;
}

// Argument: the look (0 shadow, 1 outline, 2 glow); the second, 1 for
// auto-contrast.
void BM_Print(benchmark::State& state)
{
    const auto picture = PixelSurface::create(benchWidth, benchHeight);
    const StampPlacement stamp = stampFor(static_cast<StampLook>(state.range(0)), state.range(1) != 0);
    const QString text = QStringLiteral("12/07/1998 14:30");
    for (auto _ : state)
        benchmark::DoNotOptimize(stamp.print(*picture, text));
}

// Argument: 1 with the strip's band below the photo.
void BM_Render(benchmark::State& state)
{
    PhotoState photo;
    photo.buildWorkingImage(PixelSurface::create(benchWidth, benchHeight), QSize(benchWidth, benchHeight));
    CaptionStrip strip;
    strip.show = state.range(0) != 0;
    for (auto _ : state) {
        photo.render(strip);
        benchmark::DoNotOptimize(photo.displayPicture());
    }
}

} // namespace

BENCHMARK(BM_Print)->ArgsProduct({ { 0, 1, 2 }, { 0, 1 } })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QGuiApplication>(argc, argv);
}
