// Opening a 12-megapixel photo in the main window, up to the picture its
// preview shows: the header, the EXIF record and the preview decode.
//   build/bench/bench_preview
// The window must show the preview within 150 ms; each case reports its
// time per opening (the window then draws the picture without scaling when
// the decode already has the preview's size, as at 50 %).
#include "files/mIntelJPEGLibrary.h"
#include "files/mMain.h"
#include "imaging/cDIBSection.h"
#include "platform/PictureLoader.h"
#include "platform/ProcessSetup.h"
#include "workflow/PhotoEngine.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A 4000x3000 photo made from a real one, scaled up so that it keeps a
// photo's texture, written once as a JPEG of quality 90.
struct TwelveMegapixels {
    QTemporaryDir folder;
    QString jpegPath;

    TwelveMegapixels()
    {
        cDIBSection photo;
        photo.CreateFromPicture(PictureLoader::load(QStringLiteral(QUILLON_TESTDATA "/photos/large/jolla.jpg")));
        const std::unique_ptr<cDIBSection> large = photo.Resample(3000, 4000);
        jpegPath = folder.filePath(QStringLiteral("twelve.jpg"));
        mIntelJPEGLibrary::SaveJPG(*large, jpegPath, 90);
    }
};

TwelveMegapixels& photo()
{
    static TwelveMegapixels instance;
    return instance;
}

// state.range(0) is the output scale in thousandths (500 for 50 %).
void BM_OpenPhotoAndPreview(benchmark::State& state)
{
    SettingsRecord settings;
    mMain::LoadSettingsRecord(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.PreviewScale = static_cast<double>(state.range(0)) / 1000.0;
    settings.ExifShown = false;
    const QString path = photo().jpegPath;
    const QString outputs = photo().folder.path();
    for (auto _ : state) {
        PhotoEngine engine(settings);
        engine.SetPhotoPaths(path, outputs);
        engine.OpenPhoto();
        const QSize shown(static_cast<int>(std::nearbyint(engine.Controls().Image1.Width / PhotoEngine::TwipsPerPixel)),
            static_cast<int>(std::nearbyint(engine.Controls().Image1.Height / PhotoEngine::TwipsPerPixel)));
        const QImage preview = engine.PreviewPicture(shown);
        benchmark::DoNotOptimize(preview.constBits());
        if (preview.width() < shown.width() || preview.height() < shown.height())
            state.SkipWithError("the preview is smaller than the image it fills");
    }
}
BENCHMARK(BM_OpenPhotoAndPreview)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    ProcessSetup::init();
    // The engine measures fonts for the stamp labels.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    photo(); // made before any timing starts
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
