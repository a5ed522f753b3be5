#include "session/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <vector>

namespace zar {
namespace {

// Writes each event as a letter (C console, I instruction, S screen, N network, H history) and a
// failed stage as '!' with its number; throws from the event whose letter is `failing`.
struct EventTrace : MachineEvents {
  void ConsoleOut(Byte) override { Event('C'); }
  void InstructionExecuted() override { Event('I'); }
  void ScreenCommandRan(Byte) override { Event('S'); }
  void NetworkCommandRan(Byte) override { Event('N'); }
  void HistoryRecorded() override { Event('H'); }
  void StageFailed(StepStage stage) override { (text += '!') += static_cast<char>('0' + static_cast<int>(stage)); }
  void Event(char letter) {
    text += letter;
    if (letter == failing) throw std::runtime_error("subscriber failed");
  }
  char failing = 0;
  std::string text;
};

TEST(Session, RunsTheStagesInTheirFixedOrderAndAFailureAbandonsOnlyItsOwn) {
  // Without a failure the history is left out: it records only while asked to. A failed stage counts as a change,
  // so a second, quiet step still reports one when its stage fails again.
  const struct { char failing; const char* trace; bool again; } cases[] = {
      {0, "CISN", false},     {'C', "C!0ISN", true}, {'I', "CI!1SN", true},
      {'S', "CIS!2N", false}, {'N', "CISN!3", false}, {'H', "CISNH!4", true}};
  for (const auto& [failing, trace, again] : cases) {
    OfflineNetworkPort network;
    EventTrace events;
    events.failing = failing;
    Session session(network, events);
    session.SetRecordsHistory(failing == 'H');
    // 0 - 0 at cell 0 changes nothing; the console, a screen clear and an unknown network command are pending.
    MemoryCells& memory = session.State().Memory;
    memory[ConsoleCell] = 'A';
    memory[ScreenCommandCell] = ScreenClear;
    memory[NetCommandCell] = 9;
    EXPECT_TRUE(session.MachineStep());
    EXPECT_EQ(events.text, trace);
    EXPECT_EQ(memory[ScreenCommandCell] + memory[NetCommandCell], 0) << trace;
    EXPECT_EQ(session.MachineStep(), again) << trace;
  }
}

TEST(Session, RunStopsAtTheFirstStepThatChangesNothingAndHonoursTheLimit) {
  const std::vector<int> countdown{10, 11, 0, 12, 12, 0, 0, 0, 0, 0, 0, 1};  // counts cell 10 down forever
  // Cells from address 0 on, one more {cell, value}, the limit and the steps run.
  const struct { std::vector<int> cells; std::pair<int, int> more; std::uint64_t limit, steps; } cases[] = {
      {{}, {0, 0}, 100, 1}, {{}, {ScreenCommandCell, 1}, 100, 2}, {{}, {NetCommandCell, 9}, 100, 2},
      {{}, {ConsoleCell, 'A'}, 100, 2}, {{9, 10, 3, 255, 9, 6, 255, 255, 6, 0, 65}, {0, 9}, 100, 3},
      {countdown, {0, 10}, 50, 50}, {countdown, {0, 10}, 0, 0},
      {{253, 10, 0}, {10, 253}, 100, 1}};  // a plot every step leaves every cell as it was
  for (const auto& c : cases) {
    OfflineNetworkPort network;
    EventTrace events;
    Session session(network, events);
    for (std::size_t i = 0; i < c.cells.size(); ++i) session.State().Memory[i] = static_cast<Byte>(c.cells[i]);
    session.State().Memory[c.more.first] = static_cast<Byte>(c.more.second);
    EXPECT_EQ(session.RunUntilFixedPoint(c.limit), c.steps) << "cell " << c.more.first << ", limit " << c.limit;
  }
}

}  // namespace
}  // namespace zar

namespace zar {
namespace {

// Steps with inputs between them: a key now and then, a new image once, the
// history switched on and off. Runs take the shortcut for plain steps, single
// steps do not; the history's newest sample is the memory sum either way.
void StepWithInputs(Session& session, std::uint64_t steps, const MemoryCells& other) {
  for (std::uint64_t i = 1; i <= steps; ++i) {
    if (i % 2 == 0) {
      session.MachineStep();
    } else {
      session.RunDebugged(1);
    }
    const Session& seen = session;
    if (seen.RecordsHistory()) {
      ASSERT_EQ(seen.History().Stats().Current, MemorySum(seen.State().Memory)) << i;
    }
    if (i % 997 == 0) session.WriteCell(KeyCell, static_cast<Byte>(i));
    if (i % 4999 == 0) session.SetRecordsHistory(!session.RecordsHistory());
    if (i == 7000) session.ReplaceMachine({other, 0});
  }
}

TEST(StepBack, ForwardNThenBackMIsForwardNMinusM) {
  std::mt19937 random(2024);
  OfflineNetworkPort network;
  MachineEvents quiet;
  for (int round = 0; round < 30; ++round) {
    MemoryCells image{}, other{};
    for (auto& cell : image) cell = static_cast<Byte>(random());
    for (auto& cell : other) cell = static_cast<Byte>(random());
    const std::uint64_t n = 1 + random() % 40000, m = random() % (n + 1), again = random() % 20000;
    Session back(network, quiet), forward(network, quiet);
    back.State().Memory = forward.State().Memory = image;
    back.StartRecord();
    StepWithInputs(back, n, other);
    EXPECT_EQ(back.StepBack(m).steps, m);
    // On from there and back as far again: the record holds what was replayed.
    StepWithInputs(back, again, other);
    EXPECT_EQ(back.StepBack(again).steps, again);
    StepWithInputs(forward, n - m, other);
    SCOPED_TRACE(testing::Message() << "round " << round << ": " << n << " back " << m << ", " << again);
    EXPECT_EQ(back.Steps(), forward.Steps());
    EXPECT_EQ(back.State().Memory, forward.State().Memory);
    EXPECT_EQ(back.State().IP, forward.State().IP);
    EXPECT_EQ(back.Printed(), forward.Printed());
    EXPECT_EQ(back.Screen().ScreenColor, forward.Screen().ScreenColor);
    EXPECT_TRUE(std::equal(back.Screen().Buffer.Rows(), back.Screen().Buffer.Rows() + ScreenSize * ScreenSize,
                           forward.Screen().Buffer.Rows()));
    EXPECT_EQ(back.History().Samples(), forward.History().Samples());
    EXPECT_EQ(back.RecordsHistory(), forward.RecordsHistory());
  }
}

TEST(Debugger, StopsAtBreakpointsWatchesAndFixedPointsGoingForwardAndBack) {
  // 0: SUB 20,21,3  cell 20 counts up; 3: SUB 22,22,0  back to 0.
  OfflineNetworkPort network;
  MachineEvents quiet;
  Session session(network, quiet);
  session.State().Memory = MemoryCells{20, 21, 3, 22, 22, 0};
  session.State().Memory[21] = 255;
  session.StartRecord();
  session.SetBreakpoint(3, true);
  RunStop stop = session.RunDebugged(100);
  EXPECT_EQ(stop.reason, RunStop::Reason::Breakpoint);
  EXPECT_EQ(stop.steps, 1u);
  EXPECT_EQ(session.RunDebugged(100).steps, 2u);  // a run on a breakpoint executes it first
  session.ClearBreakpointsAndWatches();
  session.SetWatch(20, true);
  stop = session.RunDebugged(100);
  EXPECT_EQ(std::vector<int>({int(stop.reason == RunStop::Reason::Watch), stop.address, stop.before, stop.after}),
            std::vector<int>({1, 20, 2, 3}));
  EXPECT_EQ(session.RunDebugged(1000).steps, 2u);
  EXPECT_EQ(session.Steps(), 7u);

  const BackResult back = session.RunBack();  // to the state right after the last change of cell 20
  EXPECT_EQ(back.stop.reason, RunStop::Reason::Watch);
  EXPECT_EQ(session.Steps(), 5u);
  EXPECT_EQ(session.State().Memory[20], 3);
  session.ClearBreakpointsAndWatches();
  EXPECT_EQ(session.RunBack().steps, 5u);  // nothing stops it: back to the start of the record
  EXPECT_EQ(session.State().Memory[20], 0);

  session.State().Memory = MemoryCells{};  // 0 - 0 at 0: a fixed point at once
  EXPECT_EQ(session.RunDebugged(100).reason, RunStop::Reason::FixedPoint);
}

}  // namespace
}  // namespace zar
