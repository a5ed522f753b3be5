// The controller owns the running machine: its runs stopping for the
// debugger and waiting for a key, and the network device against real peers
// on 127.0.0.1; the assembler's controller copies generated code into memory.
#include "controller/machine_controller.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <functional>
#include <optional>
#include <tuple>

#include "controller/assembler_controller.h"
#include "session/run_control.h"
#include "support/memory_image.h"
#include "support/qt_wait.h"
#include "support/test_peer.h"

namespace zar {
namespace {

using test::Image;
using test::WaitFor;

class ControllerTest : public testing::Test {
 protected:
  MachineController controller;
  const Machine& machine = controller.State();
};

// A breakpoint stops a run on the timer, a watch one at full speed, each told
// by DebugStopped; Stop and a repeat are no debugger stops. (How stops and
// steps back work is the session's; see its tests.)
TEST_F(ControllerTest, RunsStopForTheDebuggerAndFullSpeedWaitsInALoopUntilAnInput) {
  controller.LoadImage(Image({20, 21, 3, 22, 22, 0}, {{21, 255}}));  // 0: cell 20 counts up, 3: back to 0
  std::vector<RunStop::Reason> stops;
  QObject::connect(&controller, &MachineController::DebugStopped, [&](const RunStop& s) { stops.push_back(s.reason); });
  controller.ToggleBreakpoint(3);
  controller.SetInterval(1);
  controller.Start();
  ASSERT_TRUE(WaitFor([&] { return !controller.Running(); }));
  controller.ToggleBreakpoint(3);
  controller.SetWatch(20, true);
  controller.RunFullSpeed();
  ASSERT_TRUE(WaitFor([&] { return !controller.FullSpeed(); }));
  EXPECT_EQ(std::vector<int>({machine.IP, machine.Memory[20]}), std::vector<int>({3, 2}));
  EXPECT_EQ(stops, (std::vector<RunStop::Reason>{RunStop::Reason::Breakpoint, RunStop::Reason::Watch}));
  EXPECT_FALSE(controller.EditCell(256, 1) || controller.EditIP(253));
  controller.ClearBreakpointsAndWatches();
  const std::uint64_t before = controller.Steps();
  controller.RunFullSpeed();
  QTimer::singleShot(20, &controller, &MachineController::Stop);
  ASSERT_TRUE(WaitFor([&] { return !controller.FullSpeed(); }));
  // The loop comes back to its state after 512 steps: full speed then waits.
  EXPECT_GE(controller.Steps() - before, 512u);
  EXPECT_EQ(stops.size(), 2u);
  // Full speed waits in a loop that repeats its state as at a fixed point, without a step, and each kind of
  // input wakes it; a timed input is run to, its steps counted. 0..12: a key loop of five steps; 15: prints the
  // key, 18: clears it and goes back to 0.
  const MemoryCells loop = Image({30, 30, 3, 30, 254, 6, 31, 31, 9, 31, 30, 12, 31, 32, 0, 255, 30, 18, 254, 254, 0});
  const TimedInput late{10'000'000, TimedInput::Kind::Key, KeyCell, 84, "", 0};
  const std::pair<const char*, std::function<void()>> inputs[] = {{"K", [&] { controller.KeyReleased(75); }},
                                                                  {"", [&] { controller.NetworkByteArrived(7); }},
                                                                  {"", [&] { controller.EditCell(40, 1); }},
                                                                  {"", [&] { controller.LoadImage(loop); }},
                                                                  {"T", [&] { controller.SetTimedInputs({late}); }}};
  controller.LoadImage(loop);
  controller.RunFullSpeed();
  for (const auto& [printed, input] : inputs) {
    ASSERT_TRUE(WaitFor([&] { return controller.Run().waiting; })) << printed;
    EXPECT_EQ(controller.Run().loop, 5u);
    const std::uint64_t waiting = controller.Steps();
    test::Linger(20);
    EXPECT_EQ(controller.Steps(), waiting);
    controller.ClearConsole();
    input();
    const std::uint64_t least = printed == std::string("T") ? 10'000'000 : 1;
    ASSERT_TRUE(WaitFor([&] { return controller.Run().waiting && controller.Steps() >= waiting + least; })) << printed;
    EXPECT_EQ(controller.Console().Visible(), printed);
  }
}

// Each generate command on a running machine that stepped from IP 0 to 2:
// listing alone leaves it as it was; a copy stops it and clears memory, and a
// failed one leaves IP where it was. A copy is an input like a load: with
// "New Record on Load" it begins a record of its own.
TEST(AssemblerController, OnlyTheCopyingModesStopTheMachineAndReplaceMemory) {
  using enum GenerateMode;
  const MemoryCells code = {9, 10, 3, 255, 9, 6, 255, 255, 6, 0, 65, 0}, cleared{};
  const char* const example = "MOV,k,191\nSUB,255,k,?\n:halt\nGTO,halt\nSET,k";  // prints 'A'
  // The mode, the source, New Record on Load, the memory afterwards (none: as it was), IP, and whether it runs.
  const std::tuple<GenerateMode, const char*, bool, const MemoryCells*, Byte, bool> cases[] = {
      {ListingOnly, example, true, nullptr, 2, true}, {Copy, example, false, &code, 0, false},
      {CopyAndStart, example, false, &code, 0, true}, {Copy, example, true, &code, 0, false},
      {Copy, "GTO,x", false, &cleared, 2, false},     {CopyAndStart, "GTO,x", true, &cleared, 2, false},
  };
  for (const auto& [mode, source, fresh, memory, ip, run] : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(mode) << " " << source << (fresh ? " fresh" : ""));
    MachineController machine;
    AssemblerController assembler(machine);
    machine.Fill(FillPattern::Ascending);
    machine.SetNewRecordOnLoad(fresh);
    machine.Step();  // 0 - 1 jumps to 2
    machine.Start();
    const MemoryCells before = machine.State().Memory;
    EXPECT_EQ(assembler.Assemble(source, {mode}).generated, memory != &cleared);
    EXPECT_EQ(std::tuple(machine.State().Memory, machine.State().IP, machine.Running(), machine.RecordDepth()),
              std::tuple(memory ? *memory : before, ip, run, fresh && memory ? 0u : 1u));
  }
}

// The network device, with a program whose cell 10 holds 256 - command.
class ControllerNetworkTest : public ControllerTest {
 protected:
  void Command(int command, int port) {
    controller.LoadImage(
        Image({245, 10, 3}, {{10, 256 - command}, {238, 127}, {241, 1}, {242, port >> 8}, {243, port}}));
    controller.Step();
  }

  QStringList networkFailures;
  QMetaObject::Connection reporting = QObject::connect(&controller, &MachineController::NetworkFailed,
                                                       [this](const QString& text) { networkFailures << text; });
};

TEST_F(ControllerNetworkTest, ListensReportsRefusedConnectsLaterAndCanBeSwitchedOff) {
  const quint16 port = test::FreePort();
  Command(3, port);
  EXPECT_EQ(controller.Network().State(), "listening on 127.0.0.1:" + QString::number(port));
  test::TestPeer peer = test::TestPeer::ConnectTo(port);
  ASSERT_TRUE(WaitFor([&] { return controller.Network().State().startsWith("connected"); }));
  bool shown = false;  // while stopped, the byte is shown at once
  QObject::connect(&controller, &MachineController::MemoryReplaced,
                   [&] { shown = machine.Memory[NetDataCell] == 'Q'; });
  peer.Send("Q");
  EXPECT_TRUE(WaitFor([&] { return shown; }));
  Command(1, test::FreePort());
  EXPECT_TRUE(networkFailures.isEmpty()) << "a failure must not arrive inside the step";
  EXPECT_TRUE(WaitFor([&] { return !networkFailures.isEmpty(); }));
  controller.Step();  // the machine goes on: cells 3..5 jump back to 0
  EXPECT_EQ(machine.IP, 0);
  // Every address only when asked; switched off, the device closes and ignores commands.
  controller.SetAcceptRemote(true);
  Command(3, 0);
  EXPECT_TRUE(controller.Network().State().startsWith("listening on 0.0.0.0:"));
  controller.SetNetworkEnabled(false);
  Command(3, 0);
  EXPECT_EQ(controller.Network().State(), "idle");
}

// 0: SUB 245,10,0 sends cell 244 in every step and jumps to itself: after
// the first byte nothing in memory changes, but every step sends one more.
TEST_F(ControllerNetworkTest, AtFullSpeedASendLoopKeepsSendingAndGoingBackSaysSentBytesStaySent) {
  test::TestListener listener;
  Command(1, listener.Port());
  std::optional<test::TestPeer> peer;
  ASSERT_TRUE(WaitFor([&] {
    if (!peer) peer = listener.Accept();
    return peer.has_value();
  }));
  controller.LoadImage(Image({245, 10, 0}, {{10, 254}, {NetDataCell, 'Z'}}));
  controller.RunFullSpeed();
  EXPECT_TRUE(WaitFor([&] { return peer->Received().size() > 100'000; }));
  controller.Stop();
  std::optional<BackResult> back;
  QObject::connect(&controller, &MachineController::SteppedBack, [&](const BackResult& r) { back = r; });
  controller.StepBack();
  EXPECT_TRUE(back && back->crossedNetwork && peer->Received().front() == 'Z');
}

}  // namespace
}  // namespace zar
