#include "session/session.h"

#include <gtest/gtest.h>

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
  void HistoryRecorded(const HistoryStats&) override { Event('H'); }
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
