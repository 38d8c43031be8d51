#pragma once

#include <QApplication>
#include <QLocale>
#include <benchmark/benchmark.h>

// The entry point of the benchmarks that need widgets: offscreen unless the caller chose a
// platform, the test locale, then every registered benchmark.
inline int runGuiBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
