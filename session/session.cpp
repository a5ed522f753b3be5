#include "session/session.h"

#include <algorithm>
#include <array>

#include "session/compiled_code.h"

namespace zar {

namespace {

// The steps of a run between two looks for a repeated state.
constexpr std::uint64_t SkipPart = 1 << 14;

// The cells a step can write besides the instruction's A cell: the console
// drain, the screen service (command, and the colour a read fills in) and
// the network service (command, and the data a send clears).
constexpr std::array<int, 7> ServiceCells = {NetDataCell,    NetCommandCell,    ScreenRedCell, ScreenGreenCell,
                                             ScreenBlueCell, ScreenCommandCell, ConsoleCell};

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

// The instruction has been decoded; this carries out the rest of the step.
// Only the instruction's A cell differs from before the step when the
// console drain starts, so the state before the step follows from d. A
// screen command alone that writes no cell but its own (all but the read)
// is served on the way: cell 253 is then the only other cell that changes.
template <bool Sampled, bool Short>
[[gnu::always_inline]] inline bool Session::StepOnce(const Decoded& d, StepCounters& hot) {
  Execute(machine_, d);
  MemoryCells& memory = machine_.Memory;
  const Byte code = memory[ConsoleCell];
  if (code != 0) {
    console_.Push(code);
    memory[ConsoleCell] = 0;
  }
  Byte screenWaiting = 0;  // the screen command cell's value before the step, unless it is the A cell
  if (const Byte screen = memory[ScreenCommandCell]; (screen | memory[NetCommandCell]) != 0) [[unlikely]] {
    ++services_;
    if (!Short || memory[NetCommandCell] != 0 || screen == ScreenRead) {
      Store(hot);
      const bool changed = ServiceStep<Sampled>(d.a, d.x, d.next != d.ip, code);
      Load(hot);
      return changed;
    }
    screenWaiting = d.a == ScreenCommandCell ? 0 : screen;
    detail::ExecuteScreenCommand(memory, screen_, screen);
    memory[ScreenCommandCell] = 0;
  }
  const Byte a = memory[d.a];
  if constexpr (Sampled) {
    if (hot.sumKnown) {
      hot.sum += a - d.x - screenWaiting;
      if (d.a != ConsoleCell) hot.sum -= code;
    } else {
      hot.sum = MemorySum(memory);
      hot.sumKnown = true;
    }
    history_.Record(hot.sum, hot.historyPosition);
  }
  if (++hot.steps >= hot.nextCheckpoint) [[unlikely]] {
    Store(hot);
    Checkpoint(hot.steps);
    Load(hot);
  }
  return code != 0 || d.next != d.ip || a != d.x || screenWaiting != 0;
}

void Session::Store(const StepCounters& hot) {
  steps_ = hot.steps;
  memorySum_ = hot.sum;
  sumKnown_ = hot.sumKnown;
  history_.Resume(hot.historyPosition);
}

void Session::Load(StepCounters& hot) const {
  hot = {steps_, nextCheckpoint_, memorySum_, sumKnown_, history_.Position()};
}

// The way of a step that leaves a screen or network command waiting, or
// found one: the services run, and whether the step changed anything, and
// how it changed the memory sum, is worked out over every cell they touch.
template <bool Sampled>
[[gnu::cold]] [[gnu::noinline]] bool Session::ServiceStep(Byte a, Byte x, bool moved, Byte printedCode) {
  std::array<Byte, ServiceCells.size()> before{};
  for (std::size_t i = 0; i < ServiceCells.size(); ++i) {
    const int cell = ServiceCells[i];
    before[i] = cell == a ? x : cell == ConsoleCell ? printedCode : machine_.Memory[cell];
  }
  CheckScreen(machine_.Memory, screen_);
  const bool reached = CheckNetwork(machine_.Memory, *network_) == NetCommandResult::Reached;
  if (record_ && reached) record_->networkSteps.push_back(steps_ + 1);

  bool changed = printedCode != 0 || reached || moved;
  int sumChange = 0;
  bool aIsService = false;
  for (std::size_t i = 0; i < ServiceCells.size(); ++i) {
    const Byte after = machine_.Memory[ServiceCells[i]];
    changed = changed || after != before[i];
    sumChange += after - before[i];
    aIsService = aIsService || ServiceCells[i] == a;
  }
  if (!aIsService) {
    changed = changed || machine_.Memory[a] != x;
    sumChange += machine_.Memory[a] - x;
  }
  if constexpr (Sampled) {
    memorySum_ = sumKnown_ ? memorySum_ + sumChange : MemorySum(machine_.Memory);
    sumKnown_ = true;
    history_.Record(memorySum_);
  }
  if (++steps_ >= nextCheckpoint_) Checkpoint(steps_);
  return changed;
}

bool Session::Step() { return RunUnpaused({1, false, true}).reason != RunStop::Reason::FixedPoint; }

// The counters of a run and IP live in locals while it lasts: every store
// into a memory cell could otherwise change them as far as the compiler
// knows, and IP would be read back from memory before every step.
template <bool Debug, bool Sampled, bool Short>
RunStop Session::StepLoop(const RunPolicy& policy) {
  const std::uint64_t maxSteps = policy.maxSteps;
  const bool fixedPoint = policy.fixedPoint;
  std::array<Byte, 256> watched{};
  std::array<Byte, 256> before{};
  std::size_t count = 0;
  if constexpr (Debug) {
    for (int cell = 0; cell < 256; ++cell) {
      if (watches_[cell]) watched[count++] = static_cast<Byte>(cell);
    }
  }
  StepCounters hot;
  Load(hot);
  RunStop stop;
  std::uint64_t steps = 0;
  Byte ip = machine_.IP;  // only a step moves it
  while (steps < maxSteps) {
    const Decoded d = Decode(machine_.Memory, ip);
    ip = d.next;
    if constexpr (Debug) {
      for (std::size_t k = 0; k < count; ++k) before[k] = machine_.Memory[watched[k]];
    }
    ++steps;
    const bool changed = StepOnce<Sampled, Short>(d, hot);
    if constexpr (Debug) {
      bool hit = false;
      for (std::size_t k = 0; k < count && !hit; ++k) {
        Byte after = machine_.Memory[watched[k]];
        // The instruction's write counts even when a service undid it.
        if (after == before[k] && d.a == watched[k]) after = d.result;
        if (after == before[k]) continue;
        stop = {RunStop::Reason::Watch, 0, watched[k], before[k], after};
        hit = true;
      }
      if (!hit && breakpoints_[machine_.IP]) {
        stop = {RunStop::Reason::Breakpoint, 0, machine_.IP};
        hit = true;
      }
      if (hit) break;
    }
    if (!changed && fixedPoint) {
      stop.reason = RunStop::Reason::FixedPoint;
      break;
    }
  }
  Store(hot);
  stop.steps = steps;
  return stop;
}

RunStop Session::Run(const RunPolicy& policy) {
  if (run_.paused) return {RunStop::Reason::Paused};
  return RunUnpaused(policy);
}

template <bool Short>
RunStop Session::RunStepByStep(const RunPolicy& policy) {
  if (policy.debugger && Debugging()) {
    return recordHistory_ ? StepLoop<true, true, Short>(policy) : StepLoop<true, false, Short>(policy);
  }
  return recordHistory_ ? StepLoop<false, true, Short>(policy) : StepLoop<false, false, Short>(policy);
}

RunStop Session::RunOnEngine(const RunPolicy& policy) {
  if (engine_ == Engine::Compiled && !(policy.debugger && Debugging())) return RunCompiled(policy);
  return engine_ == Engine::Reference ? RunStepByStep<false>(policy) : RunStepByStep<true>(policy);
}

// Compiled code runs while it can; the interpreter takes the steps between,
// in short parts, after each of which the address it stopped at counts
// towards compiling a block there. Compiled code stops at a record's
// checkpoint for it to be taken. The first sample is the interpreter's: it
// works out the memory sum that compiled code then follows.
RunStop Session::RunCompiled(const RunPolicy& policy) {
  constexpr std::uint64_t InterpretedPart = 128;
  const bool sampled = recordHistory_;
  std::unique_ptr<CompiledCode>& compiled = compiled_[sampled ? 1 : 0];
  if (!compiled && !refused_) {
    compiled = CompiledCode::Create(sampled);
    refused_ = compiled == nullptr;
  }
  if (!compiled || policy.maxSteps < InterpretedPart) return RunStepByStep<true>(policy);
  compiled->Check(machine_.Memory);
  MemoryCells& memory = machine_.Memory;
  std::uint64_t done = 0;
  while (done < policy.maxSteps) {
    const std::uint64_t left = policy.maxSteps - done;
    const std::uint64_t room = nextCheckpoint_ - steps_;
    if (room > 0 && (sumKnown_ || !sampled) && compiled->Has(machine_.IP) &&
        (memory[ConsoleCell] | memory[ScreenCommandCell] | memory[NetCommandCell]) == 0) {
      CompiledCode::Samples samples{history_.Ring(), memorySum_, history_.Position()};
      const CompiledCode::Result result = compiled->Run(machine_, std::min(left, room), console_.Tail(),
                                                        console_.TailRoom(), sampled ? &samples : nullptr);
      if (sampled) {
        memorySum_ = samples.sum;
        history_.Resume(samples.position);
      }
      steps_ += result.steps;
      compiledSteps_ += result.steps;
      done += result.steps;
      console_.Commit(result.printed);
      if (steps_ == nextCheckpoint_) Checkpoint(steps_);
      continue;
    }
    RunPolicy part = policy;
    part.maxSteps = std::min(left, InterpretedPart);
    RunStop stop = sampled ? StepLoop<false, true, true>(part) : StepLoop<false, false, true>(part);
    done += stop.steps;
    if (stop.reason != RunStop::Reason::StepLimit) {
      stop.steps = done;
      return stop;
    }
    compiled->Check(memory);
    compiled->Note(machine_.IP, memory);
  }
  return {RunStop::Reason::StepLimit, done};
}

RunStop Session::RunUnpaused(const RunPolicy& policy) {
  if (!skipCycles_ || engine_ == Engine::Reference || policy.maxSteps <= SkipPart) return RunOnEngine(policy);
  return RunSkippingRepeats(policy);
}

// The machine's state is compared at the ends of parts of the run, with the
// state saved at an earlier end (saved again at ends 1, 2, 4, 8... apart,
// so that any period is found). Equal states with nothing but plain steps
// between make a cycle whose length is the steps between them: the
// debugger stopped in none of its steps, so it stops in no repeat either.
RunStop Session::RunSkippingRepeats(const RunPolicy& policy) {
  Machine saved;
  std::uint64_t savedAt = 0;
  bool valid = false;
  std::uint64_t power = 1, ends = 0;
  std::uint64_t part = SkipPart;
  std::uint64_t done = 0;
  const auto save = [&] {
    saved = machine_;
    savedAt = steps_;
    valid = true;
    ends = 0;
  };
  while (done < policy.maxSteps) {
    const std::uint64_t printed = console_.End(), services = services_;
    RunPolicy partPolicy = policy;
    partPolicy.maxSteps = std::min(part, policy.maxSteps - done);
    RunStop stop = RunOnEngine(partPolicy);
    done += stop.steps;
    if (stop.reason != RunStop::Reason::StepLimit) {
      stop.steps = done;
      return stop;
    }
    part = SkipPart;
    if (!valid || console_.End() != printed || services_ != services) {
      save();
      power = 1;
    } else if (machine_.IP == saved.IP && machine_.Memory == saved.Memory) {
      const std::uint64_t period = steps_ - savedAt;
      std::uint64_t n = (policy.maxSteps - done) / period * period;
      if (nextCheckpoint_ != Never) n = std::min(n, (nextCheckpoint_ - steps_) / period * period);
      if (recordHistory_) history_.Repeat(n);
      steps_ += n;
      done += n;
      if (steps_ == nextCheckpoint_) Checkpoint(steps_);
      // The state comes back after one more period.
      savedAt = steps_;
      part = period;
    } else if (++ends == power) {
      save();
      power *= 2;
    }
  }
  return {RunStop::Reason::StepLimit, done};
}

bool CompiledEngineAvailable() { return CompiledCode::Create() != nullptr; }

}  // namespace zar
