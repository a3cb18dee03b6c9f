// The file list's thumbnails: one photo's, from the camera's EXIF
// thumbnail and from the photo's own pixels, and a whole folder's through
// the queue the list uses, until the last one is delivered; and a HEIC
// phone photo's, with and without the thumbnail item phones keep (made
// with heif-enc, from libheif-examples).
//   build/bench/bench_thumbnails
#include "GuiBenchmarkMain.h"
#include "TwelveMegapixelPhotos.h"

#include "workflow/ListThumbnail.h"
#include "workflow/ThumbnailQueue.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

namespace {

constexpr int Side = 64;

// The APP1 segment of a camera file that keeps a 160 x 120 thumbnail.
QByteArray cameraExifSegment()
{
    QFile camera(QStringLiteral(QUILLON_TESTDATA "/photos/cameras/DSCN0010.jpg"));
    if (!camera.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = camera.readAll();
    for (qsizetype at = 2; at + 4 <= bytes.size() && uint8_t(bytes[at]) == 0xFF;) {
        const int length = (uint8_t(bytes[at + 2]) << 8) | uint8_t(bytes[at + 3]);
        if (uint8_t(bytes[at + 1]) == 0xE1) return bytes.mid(at, 2 + length);
        at += 2 + length;
    }
    return {};
}

// The 12-megapixel photos, and copies of them whose EXIF block is the
// camera file's, thumbnail included.
struct Photos {
    TwelveMegapixelPhotos plain { 8 };
    QStringList withThumbnail;

    Photos()
    {
        const QByteArray exif = cameraExifSegment();
        const QString folder = plain.dir.filePath(QStringLiteral("thumbnails"));
        QDir().mkpath(folder);
        for (const QString& path : plain.paths) {
            QFile source(path);
            if (!source.open(QIODevice::ReadOnly)) continue;
            QByteArray bytes = source.readAll();
            // Its own APP1 segment gives way to the camera's.
            const int ownLength = (uint8_t(bytes[4]) << 8) | uint8_t(bytes[5]);
            if (uint8_t(bytes[3]) == 0xE1) bytes.remove(2, 2 + ownLength);
            bytes.insert(2, exif);
            withThumbnail << folder + QLatin1Char('/') + QFileInfo(path).fileName();
            QFile target(withThumbnail.last());
            if (target.open(QIODevice::WriteOnly)) target.write(bytes);
        }
    }
};

const Photos& photos()
{
    static const Photos instance;
    return instance;
}

void BM_ThumbnailFromTheCamerasThumbnail(benchmark::State& state)
{
    for (auto _ : state) {
        const QImage thumbnail = ListThumbnail::make(photos().withThumbnail.first(), Side);
        if (thumbnail.isNull()) state.SkipWithError("no thumbnail");
        benchmark::DoNotOptimize(thumbnail.constBits());
    }
}
BENCHMARK(BM_ThumbnailFromTheCamerasThumbnail)->Unit(benchmark::kMillisecond);

void BM_ThumbnailFromThePhotoReduced(benchmark::State& state)
{
    for (auto _ : state) {
        const QImage thumbnail = ListThumbnail::make(photos().plain.paths.first(), Side);
        if (thumbnail.isNull()) state.SkipWithError("no thumbnail");
        benchmark::DoNotOptimize(thumbnail.constBits());
    }
}
BENCHMARK(BM_ThumbnailFromThePhotoReduced)->Unit(benchmark::kMillisecond);

// A folder of 8 photos through the queue, until the last thumbnail is
// delivered on this thread; state.range(0) is 1 for the camera's thumbnails.
void BM_FolderThroughTheQueue(benchmark::State& state)
{
    const QStringList paths = state.range(0) ? photos().withThumbnail : photos().plain.paths;
    QStringList names;
    for (const QString& path : paths)
        names << QFileInfo(path).fileName();
    const QString folder = QFileInfo(paths.first()).absolutePath();
    ThumbnailQueue queue(Side);
    qsizetype delivered = 0;
    QObject::connect(&queue, &ThumbnailQueue::thumbnailReady, [&delivered] { ++delivered; });
    for (auto _ : state) {
        delivered = 0;
        queue.request(folder, names);
        while (delivered < names.size())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
// The sample phone photo (3264 x 2448) as HEIC; state.range(0) is 1 with a
// thumbnail item of 320 pixels. Encoded when first asked for.
void BM_HeicThumbnail(benchmark::State& state)
{
    const bool item = state.range(0) != 0;
    const QString path = photos().plain.dir.filePath(item ? QStringLiteral("item.heic") : QStringLiteral("plain.heic"));
    if (!QFile::exists(path)) {
        QStringList arguments { QStringLiteral("-q"), QStringLiteral("90"),
            QStringLiteral(QUILLON_TESTDATA "/photos/large/jolla.jpg"), QStringLiteral("-o"), path };
        if (item) arguments << QStringLiteral("-t") << QStringLiteral("320");
        QProcess::execute(QStringLiteral("heif-enc"), arguments);
    }
    for (auto _ : state) {
        const QImage thumbnail = ListThumbnail::make(path, Side);
        if (thumbnail.isNull()) state.SkipWithError("no thumbnail (is heif-enc installed?)");
        benchmark::DoNotOptimize(thumbnail.constBits());
    }
}
BENCHMARK(BM_HeicThumbnail)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_FolderThroughTheQueue)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QGuiApplication>(argc, argv, [] { photos(); });
}
