#pragma once

// What the benchmarks share: the main that runs them inside a QApplication.

#include <benchmark/benchmark.h>

#include <QApplication>

namespace pelko::bench {

// Runs the registered benchmarks inside a QApplication, off screen unless a platform is chosen.
inline int runWithApplication(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace pelko::bench
