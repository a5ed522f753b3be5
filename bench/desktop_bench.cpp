#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "frontpanel/main_window.h"
#include "platform/dialogs.h"

namespace {

using namespace zar;

// No dialog ever opens in a benchmark.
class SilentDialogs final : public Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  void ShowMessage(QWidget*, const QString&) override {}
};

// The main window with the Screen and History windows open, running a
// program that plots a pixel every step:
//   0: SUB 253,10,0   cell 253 := 0 - 253 = 3 (plot), jump back to 0
struct AllWindows {
  AllWindows() {
    window.show();
    window.ShowScreenWindow();
    window.ShowHistoryWindow();
    Machine& m = state.machine;
    m.Memory.fill(0);
    m.Memory[0] = 253;
    m.Memory[1] = 10;
    m.Memory[10] = 253;
    m.Memory[248] = 100;
    m.Memory[249] = 100;
    m.Memory[250] = 255;
    m.IP = 0;
    QCoreApplication::processEvents();
  }

  DesktopState state;
  SilentDialogs dialogs;
  MainWindow window{state, dialogs};
};

// One step with everything it redraws: the events the step leaves behind
// (repaints of the three windows) are handled within the measurement.
void BM_MachineStepAllWindows(benchmark::State& state) {
  AllWindows desktop;
  for (auto _ : state) {
    desktop.window.RunStep();
    QCoreApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MachineStepAllWindows)->Unit(benchmark::kMicrosecond);

// The real run timer at 1 ms for two seconds.
void BM_RunAt1msAllWindows(benchmark::State& state) {
  AllWindows desktop;
  RunTimer& timer = desktop.window.Timer();
  long long steps = 0;
  QObject::connect(&timer, &RunTimer::Tick, [&steps] { ++steps; });
  timer.SetInterval(1);
  double seconds = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    timer.SetEnabled(true);
    clock.start();
    loop.exec();
    timer.SetEnabled(false);
    seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
  }
  state.counters["steps_per_s"] = static_cast<double>(steps) / seconds;
}
BENCHMARK(BM_RunAt1msAllWindows)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
