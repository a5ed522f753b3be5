#include "session/session.h"

#include "machine/calc_step.h"
#include "machine/stage.h"

namespace zar {

bool Session::MachineStep() {
  bool changed = false;
  // A stage that fails may have changed something half-way.
  const auto stage = [&](StepStage which, auto&& work) {
    if (!RunStage([&] { changed |= work(); })) {
      changed = true;
      events_.StageFailed(which);
    }
  };
  stage(StepStage::Instruction, [&] { return CalcStep(machine_, events_); });
  stage(StepStage::InstructionReport, [&] {
    events_.InstructionExecuted();
    return false;
  });
  stage(StepStage::Screen, [&] {
    const Byte command = machine_.Memory[ScreenCommandCell];
    if (!CheckScreen(machine_.Memory, screen_)) return false;
    events_.ScreenCommandRan(command);
    return true;
  });
  stage(StepStage::Network, [&] {
    const Byte command = machine_.Memory[NetCommandCell];
    if (!CheckNetwork(machine_.Memory, network_)) return false;
    events_.NetworkCommandRan(command);
    return true;
  });
  stage(StepStage::History, [&] {
    if (recordHistory_) events_.HistoryRecorded(history_.Record(MemorySum(machine_.Memory)));
    return false;
  });
  return changed;
}

std::uint64_t Session::RunUntilFixedPoint(std::uint64_t maxSteps) {
  std::uint64_t steps = 0;
  while (steps < maxSteps) {
    ++steps;
    if (!MachineStep()) break;
  }
  return steps;
}

}  // namespace zar
