// Clicking through a folder of 12-megapixel photos in the main window, from
// the click on the file list until the preview has painted the new photo
// (the click's own handling, the decode, the layout, the painting and the
// flush of the window), offscreen.
//   build/bench/bench_browse
// BM_ClickThrough/500 and /1000 click one photo after the other at 50 % and
// at 100 % (previewScale), in one window that has shown a photo before.
// BM_FirstPhotoAfterStart/500 starts this program again for each run and
// times the first photo clicked in its new window, which pays for what is
// used first (fonts, codecs, fresh memory). Each run is one click; read the
// median of the repetitions. CPU is that of the whole program over the
// click, all threads (cpu_ms for the child's), which on a busy machine says
// more than the wall-clock time.
// Targets: 80 ms at 50 %, 120 ms at 100 %, 200 ms for the first photo.
#include "TwelveMegapixelPhotos.h"

#include "platform/ProcessSetup.h"
#include "ui/FileList.h"
#include "ui/MainWindow.h"
#include "ui/PictureView.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PhotoCount = 4;
constexpr const char* FirstPhotoOption = "--first-photo";

// The folder clicked through and its photos in the file list's order.
struct PhotoList {
    QString folder;
    QStringList paths;
};

PhotoList& photos()
{
    static PhotoList list;
    return list;
}

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Counts the paint events a widget receives. The filter runs before the
// widget paints; processEvents() returns only once the whole update, paint
// and flush, is done.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The main window on a settings file of its own, showing the photos' folder
// at the given scale.
struct Window {
    QTemporaryDir place;
    std::unique_ptr<MainWindow> form;
    std::unique_ptr<PaintWatch> watch;

    explicit Window(double scale)
    {
        form = std::make_unique<MainWindow>(place.filePath(QStringLiteral("config.ini")), place.path());
        form->settings().previewScale = scale;
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) std::fputs("the window was not shown\n", stderr);
        form->openPath(photos().folder);
        watch = std::make_unique<PaintWatch>(form->previewImage);
    }

    void settle() { QCoreApplication::processEvents(); }

    // The processor time of the last click, all threads, in seconds.
    double cpuSeconds = 0;

    // Clicks the row of the file list and waits until the preview has
    // painted; the seconds it took, or a negative number when the photo
    // shown is not the one clicked.
    double click(int row)
    {
        FileList* list = form->fileList;
        const QPoint at = list->visualItemRect(list->item(row)).center();
        const int before = watch->paints;
        const double cpuStart = processCpuSeconds();
        const Clock::time_point start = Clock::now();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        while (watch->paints == before) {
            QCoreApplication::processEvents();
            if (Clock::now() - start > std::chrono::seconds(10)) return -1;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        cpuSeconds = processCpuSeconds() - cpuStart;
        if (form->engine().photo().photoPath() != photos().paths.value(row) || form->previewImage->picture().isNull())
            return -1;
        return seconds;
    }
};

void BM_ClickThrough(benchmark::State& state)
{
    static Window window(0.5);
    static int row = 0;
    // The first photo of the window is BM_FirstPhotoAfterStart's.
    static const bool warm = window.click(row) >= 0;
    if (!warm) state.SkipWithError("the preview did not show the photo clicked");
    const double scale = static_cast<double>(state.range(0)) / 1000.0;
    if (window.form->settings().previewScale != scale) {
        // As the size menu does it: the photo shown opens again.
        window.form->settings().previewScale = scale;
        window.form->changeSize();
    }
    for (auto _ : state) {
        window.settle();
        row = (row + 1) % PhotoCount;
        const double seconds = window.click(row);
        if (seconds < 0) {
            state.SkipWithError("the preview did not show the photo clicked");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_ClickThrough)
    ->Arg(500)
    ->Arg(1000)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1)
    ->Repetitions(25)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_FirstPhotoAfterStart(benchmark::State& state)
{
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
            { QString::fromLatin1(FirstPhotoOption), photos().folder, QString::number(state.range(0)) });
        if (!child.waitForFinished(60'000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            state.SkipWithError("the child program failed");
            break;
        }
        const QList<QByteArray> times = child.readAllStandardOutput().simplified().split(' ');
        state.SetIterationTime(times.value(0).toDouble());
        state.counters["cpu_ms"] = times.value(1).toDouble() * 1000;
    }
}
BENCHMARK(BM_FirstPhotoAfterStart)
    ->Arg(500)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// The child of BM_FirstPhotoAfterStart: a new window, left alone for half a
// second as a person takes longer than that to choose a photo, then the
// first photo clicked; prints the seconds it took and the processor time.
int firstPhoto(const QString& folder, double scale)
{
    photos().folder = folder;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        photos().paths << QDir(folder).filePath(name);
    Window window(scale);
    QTest::qWait(500);
    const double seconds = window.click(0);
    if (seconds < 0) return 1;
    std::printf("%.6f %.6f\n", seconds, window.cpuSeconds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ProcessSetup::init();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], FirstPhotoOption) == 0)
        return firstPhoto(QString::fromLocal8Bit(argv[2]), std::atof(argv[3]) / 1000.0);
    // Made before any timing starts.
    const TwelveMegapixelPhotos made(PhotoCount);
    photos() = { made.folder, made.paths };
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
