// The batch from end to end against its unavoidable part.
//   build/bench/bench_batch
// A folder of 12-megapixel photos goes through the batch at scale 0.5 with
// Sharpen, the date stamp and thumbnails, one photo at a time and one per
// core; the same photos are also decoded and their 2000x1500 outputs
// encoded alone, in the same run. On one core the whole pipeline should
// stay within 1.25 times decode plus encode, and on every core it should
// gain nearly what the cores give decode plus encode.
#include "GuiBenchmarkMain.h"
#include "files/JpegWriter.h"
#include "files/SettingsFile.h"
#include "imaging/BilinearResampler.h"
#include "platform/ExifReader.h"
#include "platform/PictureLoader.h"
#include "workflow/PhotoEngine.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int PhotoCount = 8;

// A folder of 4000x3000 photos made from a real one, with its EXIF block.
struct PhotoFolderFixture {
    QTemporaryDir dir;
    QTemporaryDir out;
    QString folder;

    PhotoFolderFixture()
    {
        const QString source = QStringLiteral(QUILLON_TESTDATA "/photos/large/jolla.jpg");
        auto big = BilinearResampler::resized(*PictureLoader::load(source), 4000, 3000);
        JpegMetadata metadata;
        metadata.exif = ExifReader::exifBlockFor(source, 4000, 3000);
        folder = dir.filePath(QStringLiteral("2026"));
        QDir().mkpath(folder);
        for (int i = 0; i < PhotoCount; ++i)
            JpegWriter::save(*big, QStringLiteral("%1/IMG_%2.JPG").arg(folder).arg(i), 90, metadata);
    }
};

PhotoFolderFixture& fixture()
{
    static PhotoFolderFixture instance;
    return instance;
}

void report(benchmark::State& state)
{
    state.counters["photos/s"] = benchmark::Counter(PhotoCount, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MP/s"] = benchmark::Counter(PhotoCount * 12.0, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodePlusEncode(benchmark::State& state)
{
    PhotoFolderFixture& f = fixture();
    // What the batch writes: the photo at half its size, made once.
    const std::unique_ptr<PixelSurface> output = BilinearResampler::resized(
        *PictureLoader::load(QDir(f.folder).filePath(QStringLiteral("IMG_0.JPG"))), 2000, 1500);
    const QString target = f.out.filePath(QStringLiteral("plain.jpg"));
    for (auto _ : state) {
        for (const QString& name : QDir(f.folder).entryList(QDir::Files)) {
            auto picture = PictureLoader::load(QDir(f.folder).filePath(name));
            benchmark::DoNotOptimize(picture->bits());
            JpegWriter::save(*output, target, 80);
        }
    }
    report(state);
}

void BM_BatchTransform(benchmark::State& state)
{
    PhotoFolderFixture& f = fixture();
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.previewScale = 0.5;
    settings.batchFilter = true;
    settings.currentFilter = 5;
    settings.targetFolder = f.out.path();
    PhotoEngine engine(settings);
    engine.setStampPosition(QPointF(20, 20));
    engine.applyDateStyle();
    BatchOptions options;
    options.jobs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const BatchReport result = engine.batchTransform(f.folder, options);
        if (result.treated != PhotoCount) state.SkipWithError("the batch failed");
    }
    report(state);
}

} // namespace

BENCHMARK(BM_DecodePlusEncode)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
// One photo at a time, then one per core.
BENCHMARK(BM_BatchTransform)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(BatchRunner::availableCores())
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->UseRealTime();

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QGuiApplication>(argc, argv);
}
