// The stamp's text and its printing, per photo.
//   build/bench/bench_template
// The template is parsed once per batch and expanded once per photo; the
// stamp is printed into a 2000x1500 output (a 12-megapixel photo at half
// size), as the date alone and as two lines with the camera's settings. A
// batch photo takes hundreds of milliseconds to decode and encode: the text
// should cost microseconds, and a second line about what the first costs.
#include "GuiBenchmarkMain.h"
#include "files/SettingsFile.h"
#include "platform/ExifReader.h"
#include "platform/PixelSurface.h"
#include "workflow/StampPlacement.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

const QString photo = QStringLiteral(QUILLON_TESTDATA "/photos/large/jolla.jpg");
const QString twoLines
    = QStringLiteral("{date:DD/MM/YYYY HH:MM}\\n{camera}[ · {exposure}][ · f/{aperture}][ · ISO {iso}]");

StampPlacement stampWith(const QString& stampTemplate)
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.stampTemplate = stampTemplate;
    settings.stampHeightPercent = 3;
    settings.anchoring.place = StampAnchoring::Place::BottomRight;
    settings.anchoring.marginPercent = 2;
    return StampPlacement::fromSettings(settings, QPointF(), QFont(settings.dateFont, settings.dateSize));
}

void BM_ParseTemplate(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(StampTemplate::parse(twoLines));
}

// lines 1: the default template (the date alone); 2: two lines.
void BM_StampText(benchmark::State& state)
{
    const StampPlacement stamp = stampWith(state.range(0) == 2 ? twoLines : QString());
    const ExifRecord record = ExifReader::read(photo);
    for (auto _ : state)
        benchmark::DoNotOptimize(stamp.textFor(record, photo, QSize(3264, 2448)));
}

void BM_PrintStamp(benchmark::State& state)
{
    const StampPlacement stamp = stampWith(state.range(0) == 2 ? twoLines : QString());
    const QString text = stamp.textFor(ExifReader::read(photo), photo, QSize(3264, 2448));
    const auto picture = PixelSurface::create(2000, 1500);
    for (auto _ : state)
        benchmark::DoNotOptimize(stamp.print(*picture, text));
}

} // namespace

BENCHMARK(BM_ParseTemplate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StampText)->ArgName("lines")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PrintStamp)->ArgName("lines")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QGuiApplication>(argc, argv);
}
