#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "desktop/desktop.h"
#include "plain_loop.h"
#include "programs.h"
#include "ui/dialogs.h"

namespace {

using namespace zar;

// No dialog ever opens in a benchmark.
class SilentDialogs final : public Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  void ShowMessage(QWidget*, const QString&) override {}
  NetworkErrorChoice ShowNetworkError(const QString&) override { return NetworkErrorChoice::Ok; }
  bool AnyOpen() const override { return false; }
  void ShowMessage(QWidget* parent, const QString& text, const QString&) override { ShowMessage(parent, text); }
  bool Confirm(QWidget*, const QString&) override { return true; }
  SaveChoice AskToSave(QWidget*, const QString&) override { return SaveChoice::Discard; }
};

// The main window with the Screen and History windows open, running a
// program that plots a pixel every step:
//   0: SUB 253,10,0   cell 253 := 0 - 253 = 3 (plot), jump back to 0
struct AllWindows {
  AllWindows() {
    desktop.Main().show();
    desktop.ShowScreenWindow();
    desktop.ShowHistoryWindow();
    MemoryCells m{};
    m[0] = 253;
    m[1] = 10;
    m[10] = 253;
    m[248] = 100;
    m[249] = 100;
    m[250] = 255;
    desktop.Controller().LoadImage(m);
    QCoreApplication::processEvents();
  }

  SilentDialogs dialogs;
  Desktop desktop{dialogs};
};

// One step with everything it redraws: the events the step leaves behind
// (repaints of the three windows) are handled within the measurement.
void BM_MachineStepAllWindows(benchmark::State& state) {
  AllWindows desktop;
  for (auto _ : state) {
    desktop.desktop.Controller().RunStep();
    QCoreApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MachineStepAllWindows)->Unit(benchmark::kMicrosecond);

// Starts a run, lets the event loop turn for two seconds, stops it; the
// seconds it ran.
template <typename Start>
double RunForTwoSeconds(MachineController& controller, Start start) {
  QElapsedTimer clock;
  QEventLoop loop;
  QTimer::singleShot(2000, &loop, &QEventLoop::quit);
  start();
  clock.start();
  loop.exec();
  controller.Stop();
  return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// The real run timer at 1 ms for two seconds.
void BM_RunAt1msAllWindows(benchmark::State& state) {
  AllWindows desktop;
  MachineController& controller = desktop.desktop.Controller();
  const std::uint64_t before = controller.Steps();
  controller.SetInterval(1);
  double seconds = 0;
  for (auto _ : state) seconds += RunForTwoSeconds(controller, [&] { controller.Start(); });
  state.counters["steps_per_s"] = static_cast<double>(controller.Steps() - before) / seconds;
}
BENCHMARK(BM_RunAt1msAllWindows)->Unit(benchmark::kMillisecond)->Iterations(1);

// Full speed with the main window, Screen, History and Debugger windows
// shown and the step-back record on, for two seconds, on the program m.
void FullSpeedAllWindows(benchmark::State& state, const MemoryCells& m, bool skipCycles = true) {
  AllWindows desktop;
  desktop.desktop.ShowDebuggerWindow();
  MachineController& controller = desktop.desktop.Controller();
  controller.SetSkipsCycles(skipCycles);
  controller.LoadImage(m);
  double seconds = 0;
  std::uint64_t steps = 0;
  for (auto _ : state) {
    const std::uint64_t before = controller.Steps();
    seconds += RunForTwoSeconds(controller, [&] { controller.RunFullSpeed(); });
    steps += controller.Steps() - before;
  }
  state.counters["steps_per_s"] = static_cast<double>(steps) / seconds;
}

//   0: SUB 20,21,3  cell 20 counts up; 3: SUB 253,10,0  plot, back to 0
void BM_FullSpeedAllWindows(benchmark::State& state) {
  MemoryCells m{20, 21, 3, 253, 10, 0};
  m[10] = 253;
  m[21] = 255;
  m[248] = 100;
  m[249] = 100;
  m[250] = 255;
  FullSpeedAllWindows(state, m);
}
BENCHMARK(BM_FullSpeedAllWindows)->Unit(benchmark::kMillisecond)->Iterations(1);

// The bouncing pixel with every window open, and the plain loop on it in
// the same run: x_plain is the ratio of their steps per second.
void BM_FullSpeedBounceAllWindows(benchmark::State& state) {
  const Machine bounce = bench::Example("bounce.OIA");
  FullSpeedAllWindows(state, bounce.Memory);
  constexpr std::uint64_t PlainSteps = 20'000'000;
  QElapsedTimer timer;
  timer.start();
  benchmark::DoNotOptimize(plain::Run(bounce.Memory, PlainSteps));
  const double plainRate = static_cast<double>(PlainSteps) / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
  state.counters["plain_steps_per_s"] = plainRate;
  state.counters["x_plain"] = state.counters["steps_per_s"].value / plainRate;
}
BENCHMARK(BM_FullSpeedBounceAllWindows)->Unit(benchmark::kMillisecond)->Iterations(1);

//   0: SUB 20,21,3  cell 20 counts up; 3: SUB 255,10,0  print 'A', back to 0
void BM_FullSpeedPrinting(benchmark::State& state) {
  MemoryCells m{20, 21, 3, 255, 10, 0};
  m[10] = 191;
  m[21] = 255;
  FullSpeedAllWindows(state, m);
}
BENCHMARK(BM_FullSpeedPrinting)->Unit(benchmark::kMillisecond)->Iterations(1);

//   0: SUB 20,21,3  cell 20 counts up; 3: SUB 22,22,0  back to 0; no device
// is touched, and every repeat of the state is stepped.
void BM_FullSpeedCountingAllWindows(benchmark::State& state) {
  MemoryCells m{20, 21, 3, 22, 22, 0};
  m[21] = 255;
  FullSpeedAllWindows(state, m, false);
}
BENCHMARK(BM_FullSpeedCountingAllWindows)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
