#include <benchmark/benchmark.h>

#ifdef ZAR_BENCH_DESKTOP
#include <QApplication>
#endif

// The desktop benchmarks need an application object; they run on Qt's
// offscreen platform unless another is asked for.
int main(int argc, char** argv) {
#ifdef ZAR_BENCH_DESKTOP
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
