// The stamp-only save against its floor, the coefficients read and written
// again (what `jpegtran -copy all` does), in the same run.
//   build/bench/bench_lossless
// Each iteration treats one 12-megapixel photo of quality 90 in memory:
// the copy alone, the copy with a stamp's blocks coded anew near the bottom
// right corner (with its eighth for the thumbnail; the photo's coded data
// carried over, or all of it coded again as a progressive photo's is), and
// the whole save with its EXIF read, mark, thumbnail and atomic writes. The
// stamp should cost the copy little.
#include "GuiBenchmarkMain.h"
#include "TwelveMegapixelPhotos.h"

#include "files/LosslessStamper.h"
#include "files/SettingsFile.h"
#include "platform/PhotoFile.h"
#include "workflow/LosslessSave.h"
#include "workflow/PhotoEngine.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

TwelveMegapixelPhotos& photos()
{
    static TwelveMegapixelPhotos instance(1);
    return instance;
}

void BM_CoefficientCopy(benchmark::State& state)
{
    const QByteArray photo = PhotoFile::readAll(photos().paths.first());
    for (auto _ : state) {
        const auto result = LosslessStamper::stamp(photo, 1, QRect(), {}, {}, "bench");
        benchmark::DoNotOptimize(result.jpeg.size());
    }
}
BENCHMARK(BM_CoefficientCopy)->Unit(benchmark::kMillisecond);

void BM_StampedCopy(benchmark::State& state)
{
    const QByteArray photo = PhotoFile::readAll(photos().paths.first());
    const QRect area(3400, 2800, 500, 120);
    const auto draw = [&](PixelSurface& pixels, QPoint corner) {
        pixels.paint([&](QPainter& painter) { painter.fillRect(area.translated(-corner), Qt::white); });
    };
    const auto coding = state.range(0) ? LosslessStamper::Coding::CarryWherePossible : LosslessStamper::Coding::Recode;
    for (auto _ : state) {
        const auto result = LosslessStamper::stamp(photo, 1, area, draw, {}, "bench", true, coding);
        benchmark::DoNotOptimize(result.jpeg.size());
    }
}
BENCHMARK(BM_StampedCopy)->ArgName("carried")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_LosslessSave(benchmark::State& state)
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.thumbShow = true;
    settings.anchoring = { StampAnchoring::Place::BottomRight, 2, 0, 0 };
    settings.stampHeightPercent = 4;
    PhotoEngine engine(settings);
    engine.applyDateStyle();
    const StampPlacement stamp = engine.stampPlacement();
    QTemporaryDir out;
    PhotoState photo;
    photo.setPaths(photos().paths.first(), out.path());
    for (auto _ : state) {
        photo.forgetExif();
        photo.open();
        benchmark::DoNotOptimize(LosslessSave::save(photo, settings, &stamp).saved);
    }
}
BENCHMARK(BM_LosslessSave)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QGuiApplication>(argc, argv, [] { photos(); });
}
