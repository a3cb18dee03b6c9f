// Decode, resample and encode: the foundation's hot paths.
//   build/bench/bench_foundation
// Each reports its time and megapixels per second; the resample of
// 4000x3000 to 2000x1500 should cost under a quarter of the full decode of
// the same 12-megapixel photo. The same photo as HEIC (made with heif-enc,
// from libheif-examples) and as PNG shows what the other decoders cost; Qt's
// own reader of the PNG is their yardstick (for the HEIC, time heif-convert
// on the file the run leaves in the temporary folder).
// BM_DecodeScaled is the batch's way to the working image: the photo
// decoded row by row straight into the scaling, as stored (orientation:1)
// or read on its side (orientation:6); it should cost about the full decode
// and no more than the decode and the resample apart.
// BM_ResampleOnItsSide makes the same working
// image from the photo stored on its side (EXIF orientation 6): readTurned:1
// reads it turned while it is resampled and should cost little more than
// the plain resample; readTurned:0 turns the whole photo upright first and
// resamples that.
// BM_MarkDigest is the BLAKE2b-256 of the outputs' mark over the 12-megapixel
// JPEG's bytes: ours:1 is Blake2b, ours:0 Qt's (the system's libb2); ours
// should take about half the time.
#include "files/JpegWriter.h"
#include "imaging/BilinearResampler.h"
#include "imaging/PictureOrientation.h"
#include "platform/Blake2b.h"
#include "platform/PictureLoader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

namespace {

// A 4000x3000 photo made from a real one (scaled up, so it has a photo's
// texture), written once as a JPEG of quality 90.
struct TwelveMegapixels {
    std::unique_ptr<PixelSurface> picture;
    QString jpegPath;

    TwelveMegapixels()
    {
        picture = BilinearResampler::resized(
            *PictureLoader::load(QStringLiteral(QUILLON_TESTDATA "/photos/large/jolla.jpg")), 4000, 3000);
        jpegPath = QDir::temp().filePath(QStringLiteral("quillon-bench-12mp.jpg"));
        JpegWriter::save(*picture, jpegPath, 90);
    }
    ~TwelveMegapixels()
    {
        QFile::remove(jpegPath);
        if (!pngPath.isEmpty()) QFile::remove(pngPath);
    }

    // Made when first asked for: encoding them takes a while.
    const QString& png()
    {
        if (pngPath.isEmpty()) {
            pngPath = QDir::temp().filePath(QStringLiteral("quillon-bench-12mp.png"));
            picture->toImage().save(pngPath, "PNG");
        }
        return pngPath;
    }
    QString heic() const
    {
        const QString path = QDir::temp().filePath(QStringLiteral("quillon-bench-12mp.heic"));
        if (!QFile::exists(path))
            QProcess::execute(QStringLiteral("heif-enc"),
                { QStringLiteral("-q"), QStringLiteral("90"), jpegPath, QStringLiteral("-o"), path });
        return path;
    }

private:
    QString pngPath;
};

TwelveMegapixels& photo()
{
    static TwelveMegapixels instance;
    return instance;
}

void reportPixels(benchmark::State& state, int64_t pixels)
{
    state.counters["MP/s"]
        = benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Decode12MP(benchmark::State& state)
{
    const QString path = photo().jpegPath;
    for (auto _ : state) {
        auto picture = PictureLoader::load(path);
        benchmark::DoNotOptimize(picture->bits());
    }
    reportPixels(state, 4000 * 3000);
}

void decode(benchmark::State& state, const QString& path)
{
    if (!QFile::exists(path)) {
        state.SkipWithError("the photo could not be made");
        return;
    }
    for (auto _ : state) {
        auto picture = PictureLoader::load(path);
        benchmark::DoNotOptimize(picture->bits());
    }
    reportPixels(state, 4000 * 3000);
}

void BM_DecodeHeic12MP(benchmark::State& state)
{
    decode(state, photo().heic());
}

void BM_DecodePng12MP(benchmark::State& state)
{
    decode(state, photo().png());
}

// Qt's reader alone on the same PNG: what the loader adds is its checks
// and the copy into a surface.
void BM_QtReaderPng12MP(benchmark::State& state)
{
    const QString path = photo().png();
    for (auto _ : state) {
        QImageReader reader(path);
        QImage image = reader.read();
        benchmark::DoNotOptimize(image.constBits());
    }
    reportPixels(state, 4000 * 3000);
}

void BM_Resample4000x3000To2000x1500(benchmark::State& state)
{
    const PixelSurface& source = *photo().picture;
    for (auto _ : state) {
        auto result = BilinearResampler::resized(source, 2000, 1500);
        benchmark::DoNotOptimize(result->bits());
    }
    reportPixels(state, 2000 * 1500);
}

void BM_ResampleOnItsSide(benchmark::State& state)
{
    const bool readTurned = state.range(0) != 0;
    // The photo as a camera held upright stores it: 3000 wide, 4000 high.
    const auto stored = PictureOrientation::upright(photo().picture->copy(), 8);
    for (auto _ : state) {
        std::unique_ptr<PixelSurface> result;
        if (readTurned) {
            result = BilinearResampler::resizedTurned(*stored, 6, 2000, 1500);
        } else {
            state.PauseTiming(); // the decoder's picture, which the turn uses up
            auto decoded = stored->copy();
            state.ResumeTiming();
            result = BilinearResampler::resized(*PictureOrientation::upright(std::move(decoded), 6), 2000, 1500);
        }
        benchmark::DoNotOptimize(result->bits());
    }
    reportPixels(state, 2000 * 1500);
}

void BM_DecodeScaled(benchmark::State& state)
{
    const int orientation = int(state.range(0));
    const bool turned = PictureOrientation::swapsSides(orientation);
    const QString path = photo().jpegPath;
    for (auto _ : state) {
        auto working = PixelSurface::createForOverwrite(turned ? 1500 : 2000, turned ? 2000 : 1500);
        BilinearResampler::RowStream stream(4000, 3000, orientation, *working);
        if (!PictureLoader::loadRows(path, QSize(4000, 3000), stream)) state.SkipWithError("not decoded row by row");
        benchmark::DoNotOptimize(working->bits());
    }
    reportPixels(state, 4000 * 3000);
}

void BM_SaveJPG2000x1500Q80(benchmark::State& state)
{
    auto picture = BilinearResampler::resized(*photo().picture, 2000, 1500);
    const QString path = QDir::temp().filePath(QStringLiteral("quillon-bench-save.jpg"));
    for (auto _ : state)
        JpegWriter::save(*picture, path, 80);
    QFile::remove(path);
    reportPixels(state, 2000 * 1500);
}

void BM_MarkDigest(benchmark::State& state)
{
    QFile file(photo().jpegPath);
    if (!file.open(QIODevice::ReadOnly)) state.SkipWithError("the photo cannot be read");
    const QByteArray bytes = file.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(state.range(0) ? Blake2b::hash(bytes, 32)
                                                : QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK(BM_Decode12MP)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeHeic12MP)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodePng12MP)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_QtReaderPng12MP)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Resample4000x3000To2000x1500)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeScaled)->ArgName("orientation")->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ResampleOnItsSide)->ArgName("readTurned")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SaveJPG2000x1500Q80)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MarkDigest)->ArgName("ours")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BENCHMARK_MAIN();
