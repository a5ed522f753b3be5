#include <gtest/gtest.h>

#include "session/session.h"

namespace zar {
namespace {

// Memory[100] -= Memory[200] in every step, wherever the jump goes.
Machine Subtracting() {
  Machine machine;
  for (const int at : {0, 3}) {
    machine.Memory[at] = 100;
    machine.Memory[at + 1] = 200;
  }
  return machine;
}

// A flood of writes to one cell between two steps is one input in the
// record; going back still finds the last value of each flood.
TEST(Record, WritesToOneCellBetweenStepsKeepOnlyTheLast) {
  OfflineNetworkPort network;
  Session session(network);
  session.ReplaceMachine(Subtracting());
  session.StartRecord();
  session.WriteCell(200, 1);
  const std::size_t bytes = session.RecordBytes();
  for (int value = 0; value < 100'000; ++value) session.WriteCell(200, static_cast<Byte>(value));
  session.WriteCell(200, 5);
  EXPECT_EQ(session.RecordBytes(), bytes);
  session.Step();
  session.Step();  // [100] = -10
  for (int value = 0; value < 1000; ++value) session.WriteCell(200, static_cast<Byte>(value));
  session.WriteCell(200, 7);
  session.Step();  // [100] = -17
  session.StepBack(1);
  EXPECT_EQ(session.State().Memory[100], 256 - 10);
  EXPECT_EQ(session.State().Memory[200], 7);
  session.StepBack(2);
  EXPECT_EQ(session.State().Memory[100], 0);
  EXPECT_EQ(session.State().Memory[200], 5);
}

}  // namespace
}  // namespace zar
