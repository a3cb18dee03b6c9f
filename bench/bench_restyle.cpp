// One change in the date style dialog with a photo open whose working image
// is built: the engine prints the stamp again on a fresh copy of the working
// image (MainWindow::restyleStamp), once per keystroke in the format field
// or step of a box. The window then shows the picture; that part is not timed.
//   build/bench/bench_restyle
// Each case reports its time per change at one output scale of a
// 12-megapixel photo.
#include "GuiBenchmarkMain.h"
#include "TwelveMegapixelPhotos.h"

#include "files/SettingsFile.h"
#include "workflow/PhotoEngine.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

// state.range(0) is the output scale in thousandths (500 for 50 %).
void BM_RestyleBuiltPhoto(benchmark::State& state)
{
    static const TwelveMegapixelPhotos photo(1);
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.previewScale = static_cast<double>(state.range(0)) / 1000.0;
    PhotoEngine engine(settings);
    engine.setPhotoPaths(photo.paths.first(), photo.dir.path());
    engine.openPhoto();
    engine.applyDateStyle();
    engine.buildWorkingImage();
    int step = 0;
    for (auto _ : state) {
        // A margin that changes every time, as a spin box's arrow gives.
        settings.anchoring = { StampAnchoring::Place::BottomRight, 1.0 + (++step % 10), 0, 0 };
        engine.applyDateStyle();
        engine.showDateLabels();
        engine.render();
        benchmark::DoNotOptimize(engine.photo().displayPicture()->bits());
    }
}
BENCHMARK(BM_RestyleBuiltPhoto)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QGuiApplication>(argc, argv);
}
