#include "machine/machine_step.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "recording_console.h"

namespace zar {
namespace {

using test::MachineWith;
using test::RecordingHost;

class MachineStepTest : public testing::Test {
 protected:
  bool Step() { return MachineStep(machine, screen, network, host); }

  Machine machine;
  ScreenDevice screen;
  OfflineNetworkPort network;
  RecordingHost host;
};

TEST_F(MachineStepTest, RunsItsStagesInTheFixedOrder) {
  machine = MachineWith({253, 10, 3});  // cell 253 := 0 - 249 = 7, a screen command
  machine.Memory[10] = 249;
  Step();
  EXPECT_EQ(host.calls, "MSH");
  EXPECT_EQ(machine.Memory[ScreenCommandCell], 0);

  host.calls.clear();
  Step();  // no screen command: no refresh
  EXPECT_EQ(host.calls, "MH");
}

// A host whose memory view fails on every call.
class FailingViewHost : public RecordingHost {
 public:
  void DrawMemory() override { throw std::runtime_error("view gone"); }
  void RefreshScreen() override { throw std::runtime_error("window gone"); }
};

TEST_F(MachineStepTest, AFailingStageIsAbandonedAndTheNextStillRuns) {
  FailingViewHost failing;
  machine = MachineWith({245, 10, 3});  // cell 245 := 0 - 254 = 2, a send
  machine.Memory[10] = 254;
  machine.Memory[ScreenCommandCell] = 1;
  EXPECT_NO_THROW(MachineStep(machine, screen, network, failing));
  EXPECT_EQ(failing.calls, "H");
  EXPECT_EQ(machine.Memory[ScreenCommandCell], 0);
  EXPECT_EQ(machine.Memory[NetCommandCell], 0);
  EXPECT_EQ(machine.IP, 3);
}

TEST_F(MachineStepTest, ConsoleIsDrainedBeforeTheMemoryView) {
  class ViewChecksConsole : public RecordingHost {
   public:
    explicit ViewChecksConsole(const Machine& m) : m_(m) {}
    void DrawMemory() override { consoleCellSeen = m_.Memory[ConsoleCell]; }
    int consoleCellSeen = -1;

   private:
    const Machine& m_;
  } view(machine);
  machine = MachineWith({255, 10, 3});
  machine.Memory[10] = 191;
  MachineStep(machine, screen, network, view);
  EXPECT_EQ(view.console, "A");
  EXPECT_EQ(view.consoleCellSeen, 0);
}

TEST_F(MachineStepTest, RunStopsAtTheFirstStepThatChangesNothing) {
  // MOV-like start, print A, then loop on a GTO: the third step is the fixed point.
  machine = MachineWith({9, 10, 3, 255, 9, 6, 255, 255, 6, 0, 65});
  EXPECT_EQ(RunUntilFixedPoint(machine, screen, network, host, 1000), 3u);
  EXPECT_EQ(host.console, "A");
  EXPECT_EQ(machine.IP, 6);
}

TEST_F(MachineStepTest, RunHonoursTheStepLimitAndCountsDeviceWorkAsChange) {
  // Writes screen command 5 into cell 253 every step without changing memory
  // at the end of the step: not a fixed point, because the device acts.
  machine = MachineWith({253, 10, 0});
  machine.Memory[10] = 251;
  machine.Memory[248] = 3;
  machine.Memory[250] = 255;
  EXPECT_EQ(RunUntilFixedPoint(machine, screen, network, host, 50), 50u);
  EXPECT_EQ(screen.Buffer(3, 0), RGB(255, 0, 0));
  EXPECT_EQ(RunUntilFixedPoint(machine, screen, network, host, 0), 0u);
}

}  // namespace
}  // namespace zar
