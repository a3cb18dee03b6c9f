#pragma once

#include "platform/ProcessSetup.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

// The main of a benchmark program that needs Qt's GUI (the stamp's fonts, a
// window's painting), on the offscreen platform: App is QGuiApplication or
// QApplication, and prepare, when given, makes the inputs before any timing
// starts.
template <typename App, typename Prepare> int runGuiBenchmarks(int argc, char** argv, const Prepare& prepare)
{
    ProcessSetup::init();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    prepare();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

template <typename App> int runGuiBenchmarks(int argc, char** argv)
{
    return runGuiBenchmarks<App>(argc, argv, [] {});
}
