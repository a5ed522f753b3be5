#include "session/session.h"

#include <array>

#include "machine/calc_step.h"
#include "machine/stage.h"

namespace zar {

namespace {

// The cells a step can write besides the instruction's A cell: the console
// drain, the screen service (command, and the colour a read fills in) and
// the network service (command, and the data a send clears).
constexpr std::array<int, 7> ServiceCells = {NetDataCell, NetCommandCell, 250, 251, 252, ScreenCommandCell,
                                             ConsoleCell};

// IP and the cells a step can write (its A cell and the service cells) as
// they were before it: whether the step changed anything, and how much it
// changed the memory sum, follow from them without looking at all 256 cells.
class StepBefore {
 public:
  explicit StepBefore(const Machine& m) : ip_(m.IP), a_(m.Memory[m.IP]), aValue_(m.Memory[a_]) {
    for (std::size_t i = 0; i < ServiceCells.size(); ++i) services_[i] = m.Memory[ServiceCells[i]];
  }

  bool Unchanged(const Machine& m) const {
    if (m.IP != ip_ || m.Memory[a_] != aValue_) return false;
    for (std::size_t i = 0; i < ServiceCells.size(); ++i) {
      if (m.Memory[ServiceCells[i]] != services_[i]) return false;
    }
    return true;
  }

  int SumChange(const Machine& m) const {
    int change = 0;
    bool aIsService = false;
    for (std::size_t i = 0; i < ServiceCells.size(); ++i) {
      change += m.Memory[ServiceCells[i]] - services_[i];
      aIsService = aIsService || ServiceCells[i] == a_;
    }
    return aIsService ? change : change + m.Memory[a_] - aValue_;
  }

 private:
  Byte ip_;
  Byte a_;
  Byte aValue_;
  std::array<Byte, ServiceCells.size()> services_{};
};

}  // namespace

Session::~Session() = default;

// Out of the way of the steps that do not fail.
[[gnu::cold]] [[gnu::noinline]] bool Session::ReportFailure(StepStage stage) {
  RunStage([&] { events_->StageFailed(stage); });
  return true;
}

void Session::SetRecordsHistory(bool record) {
  if (record_ && record != recordHistory_) Record({steps_, HistoryInput{record}});
  recordHistory_ = record;
  sumKnown_ = false;
}

void Session::WriteCell(int cell, Byte value) {
  machine_.Memory[cell] = value;
  sumKnown_ = false;
  if (record_) Record({steps_, CellInput{cell, value}});
}

void Session::ReplaceMachine(const Machine& machine) {
  machine_ = machine;
  sumKnown_ = false;
  if (record_) Record({steps_, MachineInput{machine}});
}

bool Session::MachineStep() {
  const StepBefore before(machine_);
  bool changed = false;  // a printed character, or a stage that failed half-way
  const auto stage = [&](StepStage which, auto&& work) {
    if (!RunStage(work)) changed = ReportFailure(which);
  };
  stage(StepStage::Instruction, [&] {
    ExecuteInstruction(machine_);
    if (!CheckConsole(machine_, *events_)) return;
    changed = true;
    ++printed_;
  });
  stage(StepStage::InstructionReport, [&] { events_->InstructionExecuted(); });
  stage(StepStage::Screen, [&] {
    const Byte command = machine_.Memory[ScreenCommandCell];
    if (!CheckScreen(machine_.Memory, screen_)) return;
    events_->ScreenCommandRan(command);
  });
  bool networkRan = false;
  stage(StepStage::Network, [&] {
    const Byte command = machine_.Memory[NetCommandCell];
    if (CheckNetwork(machine_.Memory, *network_) == NetCommandResult::None) return;
    networkRan = true;
    events_->NetworkCommandRan(command);
  });
  stage(StepStage::History, [&] {
    if (!recordHistory_) return;
    memorySum_ = sumKnown_ ? memorySum_ + before.SumChange(machine_) : MemorySum(machine_.Memory);
    sumKnown_ = true;
    history_.Record(memorySum_);
    events_->HistoryRecorded();
  });
  if (record_ && networkRan) record_->networkSteps.push_back(steps_ + 1);
  CountStep();
  return changed || !before.Unchanged(machine_);
}

void Session::CountStep() {
  ++steps_;
  if (record_ && steps_ - record_->checkpoints.back().step >= StepRecord::CheckpointSteps) Checkpoint(steps_);
}

// The step of MachineStep for the common case, when no device has anything
// to do: the instruction writes no device cell and no command or character
// waits. Then IP and the A cell are all the step can change, and the memory
// sum changes by what the A cell did.
[[gnu::always_inline]] inline bool Session::PlainStep(bool& changed) {
  const Byte a = machine_.Memory[machine_.IP];
  const bool waiting = (machine_.Memory[ConsoleCell] | machine_.Memory[ScreenCommandCell] |
                        machine_.Memory[NetCommandCell]) != 0;
  if (a >= ServiceCells.front() || waiting || (recordHistory_ && !sumKnown_)) return false;
  const Byte old = machine_.Memory[a];
  changed = ExecuteInstruction(machine_);
  if (!RunStage([&] { events_->InstructionExecuted(); })) changed = ReportFailure(StepStage::InstructionReport);
  if (recordHistory_) {
    memorySum_ += machine_.Memory[a] - old;
    history_.Record(memorySum_);
    if (!RunStage([&] { events_->HistoryRecorded(); })) changed = ReportFailure(StepStage::History);
  }
  CountStep();
  return true;
}

std::uint64_t Session::RunUntilFixedPoint(std::uint64_t maxSteps) {
  std::uint64_t steps = 0;
  while (steps < maxSteps) {
    ++steps;
    bool changed = false;
    if (!PlainStep(changed)) changed = MachineStep();
    if (!changed) break;
  }
  return steps;
}

RunStop Session::RunDebugged(std::uint64_t maxSteps) {
  std::array<Byte, 256> watched{};
  std::array<Byte, 256> before{};
  std::size_t count = 0;
  for (int cell = 0; cell < 256; ++cell) {
    if (watches_[cell]) watched[count++] = static_cast<Byte>(cell);
  }
  RunStop stop;
  while (stop.steps < maxSteps) {
    for (std::size_t k = 0; k < count; ++k) before[k] = machine_.Memory[watched[k]];
    // The instruction's write, which a service may undo within the step.
    const Byte a = machine_.Memory[machine_.IP];
    const Byte written =
        watches_[a] ? static_cast<Byte>(machine_.Memory[a] - machine_.Memory[machine_.Memory[machine_.IP + 1]]) : 0;
    ++stop.steps;
    bool changed = false;
    if (!PlainStep(changed)) changed = MachineStep();
    for (std::size_t k = 0; k < count; ++k) {
      Byte after = machine_.Memory[watched[k]];
      if (after == before[k] && a == watched[k]) after = written;
      if (after == before[k]) continue;
      stop.reason = RunStop::Reason::Watch;
      stop.address = watched[k];
      stop.before = before[k];
      stop.after = after;
      return stop;
    }
    if (breakpointCount_ > 0 && breakpoints_[machine_.IP]) {
      stop.reason = RunStop::Reason::Breakpoint;
      stop.address = machine_.IP;
      return stop;
    }
    if (!changed) {
      stop.reason = RunStop::Reason::FixedPoint;
      return stop;
    }
  }
  return stop;
}

}  // namespace zar
