// The long tests. The network device against peers that flood, churn or are
// not there at all, with real sockets on 127.0.0.1: the machine must keep
// stepping, memory must stay bounded, and error messages must never pile up.
// And a soak of the whole desktop: 100,000 steps at 1 ms with every window
// open, a program that prints, draws and changes memory in turn: no step may
// be lost or doubled, and memory use must stay flat but for the console.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>

#include "ui/dialogs.h"
#include "widgets/console_view.h"
#include "session/session.h"
#include "support/desktop_fixture.h"
#include "support/memory_image.h"
#include "support/qt_wait.h"
#include "support/test_peer.h"

namespace zar {
namespace {

using test::TestPeer;

// Resident memory of this process in bytes.
long long ResidentBytes() {
  long long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// The instructions from cell 0, the address 127.0.0.1 and the port in the
// device cells, and the constants for commands: cell 20 holds 256 - 1, 21
// holds 256 - 2, 22 holds 256 - 3.
void Program(MachineController& controller, std::initializer_list<int> cells, quint16 port) {
  controller.LoadImage(test::Image(
      cells, {{20, 255}, {21, 254}, {22, 253}, {238, 127}, {241, 1}, {242, port / 256}, {243, port % 256}}));
}

// Steps the machine between rounds of events until done() or the time is up.
class HostilePeerTest : public test::DesktopTest {
 protected:
  void RunMachineUntil(const std::function<bool()>& done) {
    test::WaitFor([&] { return controller.RunStep(), done(); }, 20000);
  }
  const quint16 port = test::FreePort();
};

// The peer writes whenever the system takes more.
TEST_F(HostilePeerTest, AFloodOf50MegabytesIsDrainedWithBoundedMemory) {
  Program(controller, {245, 22, 3, 30, 30, 3}, port);  // listen, then idle on a 0 - 0 loop at 3
  controller.RunStep();
  TestPeer peer = TestPeer::ConnectTo(port);
  constexpr long long Total = 50LL << 20;
  const std::string chunk(64 << 10, 'F');
  long long sent = 0;
  const long long before = ResidentBytes();
  long long peak = before;
  RunMachineUntil([&] {
    if (peer.Connected() && sent < Total) {
      const auto size = static_cast<std::size_t>(std::min<long long>(chunk.size(), Total - sent));
      sent += static_cast<long long>(peer.Send(std::string_view(chunk).substr(0, size)));
    }
    peak = std::max(peak, ResidentBytes());
    return sent >= Total && controller.Network().BytesReceived() == Total;
  });
  EXPECT_EQ(std::vector<long long>({sent, controller.Network().BytesReceived(), machine.Memory[NetDataCell]}),
            std::vector<long long>({Total, Total, 'F'}));
  EXPECT_LT(peak - before, 32LL << 20) << "the flood piled up in memory";
}

// Each peer connects, sends a byte and leaves, or is refused while the
// machine is not listening.
TEST_F(HostilePeerTest, AThousandPeersComingAndGoingDoNotDisturbTheMachine) {
  // Listen, send, send, forever: each listen drops the connection it had.
  Program(controller, {245, 22, 3, 245, 21, 6, 245, 21, 0}, port);
  int visits = 0;
  std::optional<TestPeer> peer;
  RunMachineUntil([&] {
    if (!peer) {
      peer = TestPeer::ConnectTo(port);
    } else if (peer->Connected()) {
      peer->Send(std::string(1, static_cast<char>('a' + visits % 26)));
      peer->Close();
    }
    if (!peer->Open() || peer->Error() != 0) {
      peer.reset();
      ++visits;
    }
    return visits == 1000;
  });
  EXPECT_EQ(visits, 1000);
  controller.RunStep();  // still stepping
  EXPECT_EQ(machine.Memory[NetCommandCell], 0);
}

// Reconnecting to a closed port on every step: with the real message boxes,
// only one is ever open, the machine waits while it is, and runs on after it
// was closed.
TEST(HostilePeerMessages, RefusedConnectionsNeverStackMessageBoxes) {
  QtDialogs dialogs;
  Desktop desktop(dialogs);
  MachineController& controller = desktop.Controller();
  Program(controller, {245, 20, 3, 40, 21, 0}, test::FreePort());  // connect, count cell 40 up, again
  const Byte& counter = controller.State().Memory[40];
  int mostOpen = 0, boxesClosed = 0;
  bool steppedBehindBox = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) open += qobject_cast<QMessageBox*>(w) && w->isVisible();
    mostOpen = std::max(mostOpen, open);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    // The box blocks no window, so the main window can still be closed.
    EXPECT_TRUE(box->parentWidget() == nullptr && box->windowModality() == Qt::WindowModal);
    // While the box is open the machine waits; then the box is closed, and
    // the second one answered with "Stop machine".
    const Byte before = counter;
    test::Linger(100);
    steppedBehindBox = steppedBehindBox || counter != before;
    if (++boxesClosed < 2) {
      box->close();
    } else {
      EXPECT_EQ(box->buttons().last()->text(), "Stop machine");
      box->buttons().last()->click();
    }
  });
  watcher.start(20);
  controller.SetInterval(1);
  controller.Start();
  // A second box can only come from steps that ran after the first closed.
  test::WaitFor([&] { return boxesClosed >= 2; }, 10000);
  test::Linger(50);
  EXPECT_EQ(boxesClosed, 2) << "the machine did not go on after a box was closed, or did after Stop machine";
  EXPECT_EQ(std::tuple(controller.Running(), steppedBehindBox, mostOpen), std::tuple(false, false, 1));
}

using Soak = test::DesktopTest;

TEST_F(Soak, HundredThousandStepsAtOneMillisecondWithEveryWindowOpen) {
  //   0: SUB 255,30,3   print '.' (0 - 210)
  //   3: SUB 253,31,6   plot (0 - 253 = 3) at X, Y = 248, 249 in red
  //   6: SUB 248,32,0   X += 1, back to 0
  const MemoryCells program = test::Image({255, 30, 3, 253, 31, 6, 248, 32, 0},
                                          {{30, 256 - '.'}, {31, 253}, {32, 255}, {249, 128}, {250, 255}});
  constexpr long long Steps = 100'000;
  controller.LoadImage(program);  // over the random start-up fill
  window.show();
  desktop.ShowScreenWindow();
  desktop.ShowHistoryWindow();
  desktop.ShowWorkbench();

  long long ticks = 0, earlyResident = 0;
  QEventLoop loop;
  QObject::connect(&controller.Timer(), &RunTimer::Tick, [&] {
    if (++ticks == 10'000) earlyResident = ResidentBytes();
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
  expected.ReplaceMachine({program});
  EXPECT_EQ(expected.Run({Steps, false, true}).steps, static_cast<std::uint64_t>(Steps));
  EXPECT_EQ(std::tuple(machine.Memory, machine.IP, window.findChild<ConsoleView*>("cbox")->Text().size()),
            std::tuple(expected.State().Memory, expected.State().IP, expected.Printed()));
  EXPECT_EQ(controller.Screen().Buffer(0, 128), RGB(255, 0, 0));

  const long long growth = ResidentBytes() - earlyResident;
  std::printf("resident memory grew by %lld KiB over %lld steps\n", growth / 1024, Steps - 10'000);
  EXPECT_LT(growth, 16LL << 20);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace zar
