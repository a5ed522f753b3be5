#include "session/session.h"

#include <array>

namespace zar {

namespace {

// The cells a step can write besides the instruction's A cell: the console
// drain, the screen service (command, and the colour a read fills in) and
// the network service (command, and the data a send clears).
constexpr std::array<int, 7> ServiceCells = {NetDataCell, NetCommandCell, 250, 251, 252, ScreenCommandCell,
                                             ConsoleCell};

}  // namespace

Session::~Session() = default;

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

void Session::CountStep() {
  ++steps_;
  if (steps_ >= nextCheckpoint_) Checkpoint(steps_);
}

// The instruction has been decoded; this carries out the rest of the step.
// Only the instruction's A cell differs from before the step when the
// console drain starts, so the state before the step follows from d.
template <bool Sampled, bool Short>
[[gnu::always_inline]] inline bool Session::StepOnce(const Decoded& d) {
  Execute(machine_, d);
  const Byte code = machine_.Memory[ConsoleCell];
  if (code != 0) {
    console_.Push(code);
    machine_.Memory[ConsoleCell] = 0;
  }
  if (!Short || (machine_.Memory[ScreenCommandCell] | machine_.Memory[NetCommandCell]) != 0) [[unlikely]] {
    return ServiceStep<Sampled>(d, code);
  }
  const Byte a = machine_.Memory[d.a];
  if constexpr (Sampled) {
    if (sumKnown_) {
      memorySum_ += a - d.x;
      if (d.a != ConsoleCell) memorySum_ -= code;
    } else {
      memorySum_ = MemorySum(machine_.Memory);
      sumKnown_ = true;
    }
    history_.Record(memorySum_);
  }
  CountStep();
  return code != 0 || d.next != d.ip || a != d.x;
}

// The way of a step that leaves a screen or network command waiting, or
// found one: the services run, and whether the step changed anything, and
// how it changed the memory sum, is worked out over every cell they touch.
template <bool Sampled>
[[gnu::cold]] [[gnu::noinline]] bool Session::ServiceStep(const Decoded& d, Byte printedCode) {
  std::array<Byte, ServiceCells.size()> before{};
  for (std::size_t i = 0; i < ServiceCells.size(); ++i) {
    const int cell = ServiceCells[i];
    before[i] = cell == d.a ? d.x : cell == ConsoleCell ? printedCode : machine_.Memory[cell];
  }
  if (CheckScreen(machine_.Memory, screen_)) ++screenCommands_;
  const bool reached = CheckNetwork(machine_.Memory, *network_);
  if (record_ && reached) record_->networkSteps.push_back(steps_ + 1);

  bool changed = printedCode != 0 || reached || d.next != d.ip;
  int sumChange = 0;
  bool aIsService = false;
  for (std::size_t i = 0; i < ServiceCells.size(); ++i) {
    const Byte after = machine_.Memory[ServiceCells[i]];
    changed = changed || after != before[i];
    sumChange += after - before[i];
    aIsService = aIsService || ServiceCells[i] == d.a;
  }
  if (!aIsService) {
    changed = changed || machine_.Memory[d.a] != d.x;
    sumChange += machine_.Memory[d.a] - d.x;
  }
  if constexpr (Sampled) {
    memorySum_ = sumKnown_ ? memorySum_ + sumChange : MemorySum(machine_.Memory);
    sumKnown_ = true;
    history_.Record(memorySum_);
  }
  CountStep();
  return changed;
}

bool Session::Step() { return RunLoop({1, false, true}).reason != RunStop::Reason::FixedPoint; }

template <bool Debug, bool Sampled, bool Short>
RunStop Session::Loop(const RunPolicy& policy) {
  std::array<Byte, 256> watched{};
  std::array<Byte, 256> before{};
  std::size_t count = 0;
  if constexpr (Debug) {
    for (int cell = 0; cell < 256; ++cell) {
      if (watches_[cell]) watched[count++] = static_cast<Byte>(cell);
    }
  }
  RunStop stop;
  while (stop.steps < policy.maxSteps) {
    const Decoded d = Decode(machine_);
    if constexpr (Debug) {
      for (std::size_t k = 0; k < count; ++k) before[k] = machine_.Memory[watched[k]];
    }
    ++stop.steps;
    const bool changed = StepOnce<Sampled, Short>(d);
    if constexpr (Debug) {
      for (std::size_t k = 0; k < count; ++k) {
        Byte after = machine_.Memory[watched[k]];
        // The instruction's write counts even when a service undid it.
        if (after == before[k] && d.a == watched[k]) after = d.result;
        if (after == before[k]) continue;
        stop.reason = RunStop::Reason::Watch;
        stop.address = watched[k];
        stop.before = before[k];
        stop.after = after;
        return stop;
      }
      if (breakpoints_[machine_.IP]) {
        stop.reason = RunStop::Reason::Breakpoint;
        stop.address = machine_.IP;
        return stop;
      }
    }
    if (!changed && policy.fixedPoint) {
      stop.reason = RunStop::Reason::FixedPoint;
      return stop;
    }
  }
  return stop;
}

RunStop Session::Run(const RunPolicy& policy) {
  if (run_.paused) return {RunStop::Reason::Paused};
  return RunLoop(policy);
}

template <bool Short>
RunStop Session::RunEngine(const RunPolicy& policy) {
  if (policy.debugger && Debugging()) {
    return recordHistory_ ? Loop<true, true, Short>(policy) : Loop<true, false, Short>(policy);
  }
  return recordHistory_ ? Loop<false, true, Short>(policy) : Loop<false, false, Short>(policy);
}

RunStop Session::RunLoop(const RunPolicy& policy) {
  return engine_ == Engine::Reference ? RunEngine<false>(policy) : RunEngine<true>(policy);
}

}  // namespace zar
