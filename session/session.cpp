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

// IP and the cells a step can write, as they were before it. A command or a
// character that waited before the step is served in it, so its cell
// changes; only when the instruction writes a device cell itself may the
// services put the old value back, and then the cells they write are
// compared one by one.
class StepWitness {
 public:
  explicit StepWitness(const Machine& m)
      : ip_(m.IP),
        a_(m.Memory[m.IP]),
        aValue_(m.Memory[a_]),
        waiting_((m.Memory[ConsoleCell] | m.Memory[ScreenCommandCell] | m.Memory[NetCommandCell]) != 0),
        deviceWrite_(a_ >= ServiceCells.front()) {
    if (!deviceWrite_) return;
    for (std::size_t i = 0; i < ServiceCells.size(); ++i) services_[i] = m.Memory[ServiceCells[i]];
  }

  bool Unchanged(const Machine& m) const {
    if (m.IP != ip_ || m.Memory[a_] != aValue_) return false;
    if (!deviceWrite_) return !waiting_;
    for (std::size_t i = 0; i < ServiceCells.size(); ++i) {
      if (m.Memory[ServiceCells[i]] != services_[i]) return false;
    }
    return true;
  }

 private:
  Byte ip_;
  Byte a_;
  Byte aValue_;
  bool waiting_;
  bool deviceWrite_;
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
}

void Session::WriteCell(int cell, Byte value) {
  machine_.Memory[cell] = value;
  if (record_) Record({steps_, CellInput{cell, value}});
}

void Session::ReplaceMachine(const Machine& machine) {
  machine_ = machine;
  if (record_) Record({steps_, MachineInput{machine}});
}

bool Session::MachineStep() {
  const StepWitness before(machine_);
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
    ++screenVersion_;
    events_->ScreenCommandRan(command);
  });
  bool networkRan = false;
  stage(StepStage::Network, [&] {
    const Byte command = machine_.Memory[NetCommandCell];
    if (!CheckNetwork(machine_.Memory, *network_)) return;
    networkRan = true;
    events_->NetworkCommandRan(command);
  });
  stage(StepStage::History, [&] {
    if (recordHistory_) events_->HistoryRecorded(history_.Record(MemorySum(machine_.Memory)));
  });
  ++steps_;
  if (record_) {
    if (networkRan) record_->networkSteps.push_back(steps_);
    if (steps_ - record_->checkpoints.back().step >= StepRecord::CheckpointSteps) Checkpoint(steps_);
  }
  return changed || !before.Unchanged(machine_);
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
