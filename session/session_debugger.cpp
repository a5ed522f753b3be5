// The session's debugger: breakpoints, watched cells and runs that stop at
// them.
#include <vector>

#include "session/session.h"

namespace zar {

void Session::SetBreakpoint(Byte address, bool on) {
  if (breakpoints_[address] == on) return;
  breakpoints_[address] = on;
  breakpointCount_ += on ? 1 : -1;
}

void Session::SetWatch(Byte cell, bool on) {
  if (watches_[cell] == on) return;
  watches_[cell] = on;
  watchCount_ += on ? 1 : -1;
}

void Session::ClearBreakpointsAndWatches() {
  breakpoints_.fill(false);
  watches_.fill(false);
  breakpointCount_ = 0;
  watchCount_ = 0;
}

RunStop Session::RunDebugged(std::uint64_t maxSteps) {
  std::vector<Byte> watched;
  for (int cell = 0; cell < 256; ++cell) {
    if (watches_[cell]) watched.push_back(static_cast<Byte>(cell));
  }
  std::vector<Byte> before(watched.size());
  RunStop stop;
  while (stop.steps < maxSteps) {
    for (std::size_t k = 0; k < watched.size(); ++k) before[k] = machine_.Memory[watched[k]];
    // The instruction's write, which a service may undo within the step.
    const Instruction in = CurrentInstruction(machine_);
    const auto written = static_cast<Byte>(machine_.Memory[in.A] - machine_.Memory[in.B]);
    ++stop.steps;
    const bool changed = MachineStep();
    for (std::size_t k = 0; k < watched.size(); ++k) {
      Byte after = machine_.Memory[watched[k]];
      if (after == before[k] && in.A == watched[k]) after = written;
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
