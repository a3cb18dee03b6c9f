// Opening a 12-megapixel photo, the engine's part of browsing: the header,
// the EXIF record and the preview decode, up to the picture the preview
// shows. bench_browse times the whole way in the window.
//   build/bench/bench_preview
// Each case reports its time per opening at one output scale (the window
// then draws the picture without scaling when the decode already has the
// preview's size).
#include "GuiBenchmarkMain.h"
#include "TwelveMegapixelPhotos.h"

#include "files/SettingsFile.h"
#include "workflow/PhotoEngine.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

const TwelveMegapixelPhotos& photo()
{
    static const TwelveMegapixelPhotos instance(1);
    return instance;
}

// state.range(0) is the output scale in thousandths (500 for 50 %).
void BM_OpenPhotoAndPreview(benchmark::State& state)
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.previewScale = static_cast<double>(state.range(0)) / 1000.0;
    settings.exifShown = false;
    const QString path = photo().paths.first();
    const QString outputs = photo().dir.path();
    for (auto _ : state) {
        PhotoEngine engine(settings);
        engine.setPhotoPaths(path, outputs);
        engine.openPhoto();
        const QSize shown = engine.previewSize();
        const QImage preview = engine.previewPicture(shown);
        benchmark::DoNotOptimize(preview.constBits());
        if (preview.width() < shown.width() || preview.height() < shown.height())
            state.SkipWithError("the preview is smaller than the image it fills");
    }
}
BENCHMARK(BM_OpenPhotoAndPreview)->Arg(250)->Arg(375)->Arg(500)->Arg(800)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QGuiApplication>(argc, argv, [] { photo(); });
}
