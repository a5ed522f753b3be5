#include "machine/calc_step.h"

#include <gtest/gtest.h>

#include "recording_console.h"

namespace zar {
namespace {

using test::MachineWith;
using test::RecordingHost;

struct CalcCase {
  const char* name;
  int x;         // cell 10 before
  int y;         // cell 11
  int stored;    // cell 10 after
  int nextIP;
};

class CalcStepCases : public testing::TestWithParam<CalcCase> {};

TEST_P(CalcStepCases, SubtractsAndBranchesOnZeroOrNegative) {
  const CalcCase& c = GetParam();
  Machine m = MachineWith({10, 11, 6});
  m.Memory[10] = static_cast<Byte>(c.x);
  m.Memory[11] = static_cast<Byte>(c.y);
  RecordingHost host;
  CalcStep(m, host);
  EXPECT_EQ(m.Memory[10], c.stored);
  EXPECT_EQ(m.IP, c.nextIP);
}

INSTANTIATE_TEST_SUITE_P(Instruction, CalcStepCases,
                         testing::Values(CalcCase{"Negative", 5, 7, 254, 6}, CalcCase{"Positive", 9, 7, 2, 3},
                                         CalcCase{"Zero", 7, 7, 0, 6}, CalcCase{"Largest", 255, 0, 255, 3},
                                         CalcCase{"MostNegative", 0, 255, 1, 6}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(CalcStep, SameOperandClearsTheCellAndAlwaysJumps) {
  Machine m = MachineWith({20, 20, 99});
  m.Memory[20] = 42;
  RecordingHost host;
  CalcStep(m, host);
  EXPECT_EQ(m.Memory[20], 0);
  EXPECT_EQ(m.IP, 99);
}

TEST(CalcStep, InstructionPointerNeverRestsAbove252) {
  RecordingHost host;
  Machine atEnd;  // positive difference at 252 continues at 0, not 255
  atEnd.IP = 252;
  atEnd.Memory[252] = 100;
  atEnd.Memory[253] = 101;
  atEnd.Memory[100] = 9;
  atEnd.Memory[101] = 1;
  CalcStep(atEnd, host);
  EXPECT_EQ(atEnd.IP, 0);

  for (const int target : {253, 254, 255}) {
    Machine jump = MachineWith({30, 30, target});
    CalcStep(jump, host);
    EXPECT_EQ(jump.IP, 0) << "jump to " << target;
  }
}

TEST(CalcStep, OperandsAreFetchedBeforeTheWrite) {
  // A is the instruction's own C cell: the jump uses the C fetched before it.
  Machine m = MachineWith({2, 5, 2});
  m.Memory[5] = 200;
  RecordingHost host;
  CalcStep(m, host);
  EXPECT_EQ(m.Memory[2], 58);  // 2 - 200 wraps to 58
  EXPECT_EQ(m.IP, 2);
}

TEST(CheckConsole, PrintsANonzeroCellOnceAndClearsIt) {
  // Cell 255 := 0 - 191 = 65, the letter A, in the same step.
  Machine m = MachineWith({255, 10, 3});
  m.Memory[10] = 191;
  RecordingHost host;
  EXPECT_TRUE(CalcStep(m, host));
  EXPECT_EQ(host.console, "A");
  EXPECT_EQ(m.Memory[ConsoleCell], 0);

  Machine quiet = MachineWith({255, 255, 0});
  CalcStep(quiet, host);
  EXPECT_EQ(host.console, "A");
}

TEST(CalcStep, ReportsWhetherAnythingChanged) {
  RecordingHost host;
  Machine loop = MachineWith({255, 255, 0});  // 0 - 0 at 255, jump to itself
  EXPECT_FALSE(CalcStep(loop, host));
  Machine moves = MachineWith({255, 255, 3});
  EXPECT_TRUE(CalcStep(moves, host));
  Machine writes = MachineWith({10, 11, 0});
  writes.Memory[10] = 1;
  EXPECT_TRUE(CalcStep(writes, host));
}

}  // namespace
}  // namespace zar
