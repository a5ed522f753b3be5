#include "machine/machine_step.h"

#include "machine/calc_step.h"

namespace zar {

namespace {

// Runs one stage of the step; a failure ends that stage only.
template <typename Stage>
bool RunStage(Stage&& stage) {
  try {
    return stage();
  } catch (...) {
    return true;  // a failed stage may have changed something half-way
  }
}

}  // namespace

bool MachineStep(Machine& m, ScreenDevice& screen, NetworkPort& network, MachineHost& host) {
  const bool calculated = RunStage([&] { return CalcStep(m, host); });
  RunStage([&] {
    host.DrawMemory();
    return false;
  });
  const bool drew = RunStage([&] {
    if (!CheckScreen(m.Memory, screen)) return false;
    host.RefreshScreen();
    return true;
  });
  const bool networked = RunStage([&] { return CheckNetwork(m.Memory, network); });
  RunStage([&] {
    host.CalcDrawHistory();
    return false;
  });
  return calculated || drew || networked;
}

std::uint64_t RunUntilFixedPoint(Machine& m, ScreenDevice& screen, NetworkPort& network, MachineHost& host,
                                 std::uint64_t maxSteps) {
  std::uint64_t steps = 0;
  while (steps < maxSteps) {
    ++steps;
    if (!MachineStep(m, screen, network, host)) break;
  }
  return steps;
}

}  // namespace zar
