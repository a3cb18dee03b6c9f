// Painting the preview at a zoom: what a repaint of the viewport costs once
// the display picture of a 12-megapixel photo at 50 % (2000 x 1500) is on
// show, offscreen.
//   build/bench/bench_zoom
// BM_PaintZoomed/N paints a 640 x 480 viewport's worth of the picture at
// N percent: below 100 % the first paint after a new picture scales a copy
// (BM_FitNewPicture times that), the next ones only copy; at 100 % and
// above only the exposed part is drawn, stretched while painting.
// Target: a repaint well under a frame (16 ms) at every zoom.
#include "GuiBenchmarkMain.h"
#include "TwelveMegapixelPhotos.h"

#include "ui/PictureView.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

const QImage& displayPicture()
{
    static const QImage picture = [] {
        const TwelveMegapixelPhotos photo(1);
        return PictureLoader::load(photo.paths.first(), 2)->toImage();
    }();
    return picture;
}

QSize atPercent(QSize size, int percent)
{
    return QSize(static_cast<int>(std::lround(size.width() * percent / 100.0)),
        static_cast<int>(std::lround(size.height() * percent / 100.0)));
}

void BM_PaintZoomed(benchmark::State& state)
{
    PictureView view;
    view.resize(atPercent(displayPicture().size(), static_cast<int>(state.range(0))));
    view.setPicture(displayPicture());
    QImage target(640, 480, QImage::Format_RGB32);
    // The viewport over the picture's middle.
    const QRect exposed(QPoint((view.width() - 640) / 2, (view.height() - 480) / 2), target.size());
    view.render(&target, QPoint(), QRegion(exposed)); // the scaled copy, once
    for (auto _ : state) {
        view.render(&target, QPoint(), QRegion(exposed));
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintZoomed)->Arg(32)->Arg(100)->Arg(150)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_FitNewPicture(benchmark::State& state)
{
    PictureView view;
    view.resize(atPercent(displayPicture().size(), 32));
    QImage target(view.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view.setPicture(displayPicture());
        view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_FitNewPicture)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runGuiBenchmarks<QApplication>(argc, argv, [] { displayPicture(); });
}
