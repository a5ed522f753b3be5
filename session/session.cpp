#include "session/session.h"

#include <algorithm>
#include <array>
#include <utility>

#include "session/compiled_code.h"

namespace zar {

namespace {

// The cells a step can write besides the instruction's A cell: the console
// drain, the screen service (command, and the colour a read fills in) and
// the network service (command, and the data a send clears).
constexpr std::array<int, 7> ServiceCells = {NetDataCell,    NetCommandCell,    ScreenRedCell, ScreenGreenCell,
                                             ScreenBlueCell, ScreenCommandCell, ConsoleCell};

}  // namespace

Session::~Session() = default;

void Session::SetRecordsHistory(bool record) {
  if (record != recordHistory_) ForgetRepeats();
  if (record_ && record != recordHistory_) Record({steps_, HistoryInput{record}});
  recordHistory_ = record;
  sumKnown_ = false;
}

void Session::WriteCell(int cell, Byte value) {
  machine_.Memory[cell] = value;
  sumKnown_ = false;
  ForgetRepeats();
  if (record_) Record({steps_, CellInput{cell, value}});
}

void Session::ReplaceMachine(const Machine& machine) {
  machine_ = machine;
  sumKnown_ = false;
  ForgetRepeats();
  if (record_) Record({steps_, MachineInput{machine}});
}

// The instruction has been decoded; this carries out the rest of the step.
// Only the instruction's A cell differs from before the step when the
// console drain starts, so the state before the step follows from d. A
// screen command alone that writes no cell but its own (all but the read)
// is served on the way: cell 253 is then the only other cell that changes.
template <bool Sampled>
[[gnu::always_inline]] inline bool Session::StepOnce(const Decoded& d, StepCounters& hot) {
  Execute(machine_, d);
  MemoryCells& memory = machine_.Memory;
  const Byte code = memory[ConsoleCell];
  if (code != 0) {
    console_.Push(code);
    memory[ConsoleCell] = 0;
  }
  int waiting = 0;  // the command cells' values before the step, but the A cell's
  const Byte screen = memory[ScreenCommandCell], net = memory[NetCommandCell];
  if ((screen | net) != 0) [[unlikely]] {
    if (NetServes(net) || screen == ScreenRead) {
      ++services_;
      Store(hot);
      const bool changed = ServiceStep<Sampled>(d.a, d.x, d.next != d.ip, code);
      Load(hot);
      return changed;
    }
    waiting = (d.a == ScreenCommandCell ? 0 : screen) + (d.a == NetCommandCell ? 0 : net);
    if (ScreenServes(screen)) ++services_;
    detail::ExecuteScreenCommand(memory, screen_, screen);
    memory[ScreenCommandCell] = memory[NetCommandCell] = 0;
  }
  const Byte a = memory[d.a];
  if constexpr (Sampled) {
    if (hot.sumKnown) {
      hot.sum += a - d.x - waiting;
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
  return code != 0 || d.next != d.ip || a != d.x || waiting != 0;
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
template <bool Debug, bool Sampled>
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
    const bool changed = StepOnce<Sampled>(d, hot);
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

RunStop Session::RunStepByStep(const RunPolicy& policy) {
  if (policy.debugger && Debugging()) {
    return recordHistory_ ? StepLoop<true, true>(policy) : StepLoop<true, false>(policy);
  }
  return recordHistory_ ? StepLoop<false, true>(policy) : StepLoop<false, false>(policy);
}

RunStop Session::RunOnEngine(const RunPolicy& policy) {
  if (engine_ == Engine::Compiled && !(policy.debugger && Debugging())) return RunCompiled(policy);
  codeUnchecked_ = true;
  return RunStepByStep(policy);
}

// Compiled code runs while it can; the interpreter takes the steps between,
// until IP reaches compiled code again, and the steps before compiling
// pays, on its own plain loop. Compiled code stops at a record's
// checkpoint for it to be taken. The first sample is the interpreter's: it
// works out the memory sum that compiled code then follows.
RunStop Session::RunCompiled(const RunPolicy& policy) {
  constexpr std::uint64_t ShortestRun = 128;
  const bool sampled = recordHistory_;
  std::unique_ptr<CompiledCode>& compiled = compiled_[sampled ? 1 : 0];
  if (!compiled && !refused_) {
    compiled = CompiledCode::Create(sampled, eager_);
    refused_ = compiled == nullptr;
  }
  if (!compiled || policy.maxSteps < ShortestRun) {
    codeUnchecked_ = true;
    return RunStepByStep(policy);
  }
  // Cells written since the last run of compiled code, by an input or by
  // steps no code watched, drop the code made from them; the parts of one
  // run need no look.
  if (std::exchange(codeUnchecked_, false)) {
    for (const std::unique_ptr<CompiledCode>& code : compiled_) {
      if (code) code->Check(machine_.Memory, false);
    }
  }
  MemoryCells& memory = machine_.Memory;
  std::uint64_t done = 0;
  while (done < policy.maxSteps) {
    const std::uint64_t left = policy.maxSteps - done;
    if (const std::uint64_t unpaid = compiled->Unpaid(); unpaid > 0) {
      RunPolicy part = policy;
      part.maxSteps = std::min(left, unpaid);
      RunStop stop = RunStepByStep(part);
      compiled->Interpreted(stop.steps);
      done += stop.steps;
      if (stop.reason != RunStop::Reason::StepLimit) {
        stop.steps = done;
        return stop;
      }
      continue;
    }
    const std::uint64_t room = nextCheckpoint_ - steps_;
    if (room > 0 && (sumKnown_ || !sampled) && compiled->Has(machine_.IP) &&
        (memory[ConsoleCell] | memory[ScreenCommandCell] | memory[NetCommandCell]) == 0) {
      CompiledCode::Samples samples{history_.Ring(), memorySum_, history_.Position()};
      const CompiledCode::Result result = compiled->Run(machine_, std::min(left, room), console_.Tail(),
                                                        console_.TailRoom(), sampled ? &samples : nullptr, screen_,
                                                        *network_, services_);
      if (sampled) {
        memorySum_ = samples.sum;
        history_.Resume(samples.position);
      }
      steps_ += result.steps;
      compiledSteps_ += result.steps;
      done += result.steps;
      console_.Commit(result.printed);
      if (record_ && result.reached) record_->networkSteps.push_back(steps_);
      if (steps_ == nextCheckpoint_) Checkpoint(steps_);
      // A step compiled code leaves to the interpreter before taking it
      // (a jump to itself, a command cell read from memory) is its next.
      if (result.steps > 0) continue;
    }
    RunStop stop = sampled ? InterpretUntilCompiled<true>(*compiled, left, policy.fixedPoint)
                           : InterpretUntilCompiled<false>(*compiled, left, policy.fixedPoint);
    done += stop.steps;
    if (stop.reason != RunStop::Reason::StepLimit) {
      stop.steps = done;
      return stop;
    }
  }
  return {RunStop::Reason::StepLimit, done};
}

// Each step's written cell is checked against the code made from it; a
// step that served a device may have written the device's cells as well.
template <bool Sampled>
RunStop Session::InterpretUntilCompiled(CompiledCode& compiled, std::uint64_t maxSteps, bool fixedPoint) {
  StepCounters hot;
  Load(hot);
  RunStop stop;
  Byte ip = machine_.IP;
  // Where compiled code left (or could not start) grows hot as well.
  compiled.Note(ip, machine_.Memory);
  // A command an input left in its cell is cleared by the first step.
  bool waiting = (machine_.Memory[ScreenCommandCell] | machine_.Memory[NetCommandCell]) != 0;
  while (stop.steps < maxSteps) {
    const Decoded d = Decode(machine_.Memory, ip);
    ip = d.next;
    ++stop.steps;
    const std::uint64_t services = services_;
    const bool changed = StepOnce<Sampled>(d, hot);
    compiled.Wrote(d.a, machine_.Memory);
    if (services_ != services || waiting) [[unlikely]] {
      for (const int cell : ServiceCells) compiled.Wrote(cell, machine_.Memory);
      waiting = false;
    }
    if (!changed) {
      if (!fixedPoint) continue;  // the same step for ever, not for compiled code
      stop.reason = RunStop::Reason::FixedPoint;
      break;
    }
    if (compiled.Note(ip, machine_.Memory)) break;
  }
  Store(hot);
  return stop;
}

// What the look for repeats found stays true only for runs that stop for
// the same things: a run that stops at a breakpoint, a watch or a fixed
// point must not skip steps that one which did not stop for them stepped.
RunStop Session::RunUnpaused(const RunPolicy& policy) {
  const int stops = (policy.debugger && Debugging() ? 2 : 0) + (policy.fixedPoint ? 1 : 0);
  if (stops != repeats_.stops) {
    ForgetRepeats();
    repeats_.stops = stops;
  }
  const bool skips = skipCycles_ && policy.maxSteps > 1;
  const RunStop stop = skips ? RunSkippingRepeats(policy) : RunOnEngine(policy);
  if (stop.ByDebugger()) ForgetRepeats();
  return stop;
}

// The run goes in parts that end where the look for a repeated state is due
// (AtRepeat). Once the state came back with nothing but plain steps between,
// the run repeats those steps for ever: the debugger stopped in none of
// them, so it stops in no repeat either, and whole repeats are counted.
RunStop Session::RunSkippingRepeats(const RunPolicy& policy) {
  std::uint64_t done = 0;
  while (done < policy.maxSteps) {
    if (steps_ >= repeats_.nextLook && AtRepeat()) {
      if (policy.repeating) {
        repeats_.nextLook = steps_;  // and the next run stops here at once
        return {RunStop::Reason::Repeating, done};
      }
      const std::uint64_t from = steps_;
      SkipRepeats(policy.maxSteps - done);
      done += steps_ - from;
      if (done == policy.maxSteps) break;
    }
    RunPolicy part = policy;
    part.maxSteps = std::min(repeats_.nextLook - steps_, policy.maxSteps - done);
    RunStop stop = RunOnEngine(part);
    done += stop.steps;
    if (stop.reason != RunStop::Reason::StepLimit) {
      stop.steps = done;
      return stop;
    }
  }
  return {RunStop::Reason::StepLimit, done};
}

bool CompiledEngineAvailable() { return CompiledCode::Available(); }

}  // namespace zar
