// A long run of the whole desktop: 100,000 steps at 1 ms with every window
// open, a program that prints, draws and changes memory in turn. No step may
// be lost or doubled, and memory use must stay flat but for the console.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "widgets/console_view.h"
#include "session/session.h"
#include "support/desktop_fixture.h"
#include "support/memory_image.h"
#include "support/resident_memory.h"

namespace zar {
namespace {

//   0: SUB 255,30,3   print '.' (0 - 210)
//   3: SUB 253,31,6   plot (0 - 253 = 3) at X, Y = 248, 249 in red
//   6: SUB 248,32,0   X += 1, back to 0
MemoryCells SoakProgram() {
  return test::Image({255, 30, 3, 253, 31, 6, 248, 32, 0},
                     {{30, 256 - '.'}, {31, 253}, {32, 255}, {249, 128}, {250, 255}});
}

class Soak : public test::DesktopTest {};

TEST_F(Soak, HundredThousandStepsAtOneMillisecondWithEveryWindowOpen) {
  constexpr long long Steps = 100'000;
  controller.LoadImage(SoakProgram());  // over the random start-up fill
  window.show();
  desktop.ShowScreenWindow();
  desktop.ShowHistoryWindow();
  desktop.ShowWorkbench();

  long long ticks = 0;
  long long earlyResident = 0;
  QEventLoop loop;
  QObject::connect(&controller.Timer(), &RunTimer::Tick, [&] {
    if (++ticks == 10'000) earlyResident = test::ResidentBytes();
    if (ticks == Steps) {
      controller.Stop();
      loop.quit();
    }
  });
  QTimer::singleShot(150'000, &loop, &QEventLoop::quit);
  controller.SetInterval(1);
  controller.Start();
  loop.exec();
  QCoreApplication::processEvents();
  ASSERT_EQ(ticks, Steps) << "the run did not finish in time";

  // The same number of steps without any window gives the same machine.
  OfflineNetworkPort network;
  Session expected(network);
  expected.State().Memory = SoakProgram();
  EXPECT_EQ(expected.Run({Steps, false, true}).steps, static_cast<std::uint64_t>(Steps));
  EXPECT_EQ(machine.Memory, expected.State().Memory);
  EXPECT_EQ(machine.IP, expected.State().IP);
  EXPECT_EQ(window.findChild<ConsoleView*>("cbox")->Text().size(), expected.Printed());
  EXPECT_EQ(controller.Screen().Buffer(0, 128), RGB(255, 0, 0));

  const long long growth = test::ResidentBytes() - earlyResident;
  std::printf("resident memory grew by %lld KiB over %lld steps\n", growth / 1024, Steps - 10'000);
  EXPECT_LT(growth, 16LL << 20);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace zar
