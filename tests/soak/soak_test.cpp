// A long run of the whole desktop: 100,000 steps at 1 ms with every window
// open, a program that prints, draws and changes memory in turn. No step may
// be lost or doubled, and memory use must stay flat but for the console.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "frontpanel/main_window.h"
#include "machine/machine_step.h"
#include "platform/console_view.h"
#include "platform/dialogs.h"
#include "support/resident_memory.h"

namespace zar {
namespace {


class NoDialogs final : public Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  void ShowMessage(QWidget*, const QString& text) override { ADD_FAILURE() << text.toStdString(); }
};

class SilentHost final : public MachineHost {
 public:
  void ConsoleOut(Byte) override { ++printed; }
  long long printed = 0;
};

//   0: SUB 255,30,3   print '.' (0 - 210)
//   3: SUB 253,31,6   plot (0 - 253 = 3) at X, Y = 248, 249 in red
//   6: SUB 248,32,0   X += 1, back to 0
Machine SoakProgram() {
  Machine m;
  const Byte cells[] = {255, 30, 3, 253, 31, 6, 248, 32, 0};
  std::copy(std::begin(cells), std::end(cells), m.Memory.begin());
  m.Memory[30] = 256 - '.';
  m.Memory[31] = 253;
  m.Memory[32] = 255;
  m.Memory[249] = 128;
  m.Memory[250] = 255;
  return m;
}

TEST(Soak, HundredThousandStepsAtOneMillisecondWithEveryWindowOpen) {
  constexpr long long Steps = 100'000;
  DesktopState state;
  state.machine = SoakProgram();
  NoDialogs dialogs;
  MainWindow window(state, dialogs);
  state.machine = SoakProgram();  // over the random start-up fill
  window.show();
  window.ShowScreenWindow();
  window.ShowHistoryWindow();
  window.ShowWorkbench();

  long long ticks = 0;
  long long earlyResident = 0;
  QEventLoop loop;
  QObject::connect(&window.Timer(), &RunTimer::Tick, [&] {
    if (++ticks == 10'000) earlyResident = test::ResidentBytes();
    if (ticks == Steps) {
      window.Timer().SetEnabled(false);
      loop.quit();
    }
  });
  QTimer::singleShot(150'000, &loop, &QEventLoop::quit);
  window.Timer().SetInterval(1);
  window.Timer().SetEnabled(true);
  loop.exec();
  QCoreApplication::processEvents();
  ASSERT_EQ(ticks, Steps) << "the run did not finish in time";

  // The same number of steps without any window gives the same machine.
  Machine expected = SoakProgram();
  ScreenDevice screen;
  OfflineNetworkPort network;
  SilentHost host;
  for (long long i = 0; i < Steps; ++i) MachineStep(expected, screen, network, host);
  EXPECT_EQ(state.machine.Memory, expected.Memory);
  EXPECT_EQ(state.machine.IP, expected.IP);
  EXPECT_EQ(window.findChild<ConsoleView*>("cbox")->Text().size(), host.printed);
  EXPECT_EQ(state.screen.Buffer(0, 128), RGB(255, 0, 0));

  const long long growth = test::ResidentBytes() - earlyResident;
  std::printf("resident memory grew by %lld KiB over %lld steps\n", growth / 1024, Steps - 10'000);
  EXPECT_LT(growth, 16LL << 20);
}

}  // namespace
}  // namespace zar
