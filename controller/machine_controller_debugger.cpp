// The controller's debugger commands: breakpoints and watches, going back
// and the cell editor.
#include "controller/machine_controller.h"

namespace zar {

void MachineController::ToggleBreakpoint(Byte address) {
  session_.SetBreakpoint(address, !session_.IsBreakpoint(address));
  emit BreakpointsChanged();
}

void MachineController::SetBreakpoints(const std::vector<Byte>& off, const std::vector<Byte>& on) {
  bool changed = false;
  const auto set = [&](Byte address, bool value) {
    changed = changed || session_.IsBreakpoint(address) != value;
    session_.SetBreakpoint(address, value);
  };
  for (const Byte address : off) set(address, false);
  for (const Byte address : on) set(address, true);
  if (changed) emit BreakpointsChanged();
}

void MachineController::SetWatch(Byte cell, bool on) {
  session_.SetWatch(cell, on);
  emit BreakpointsChanged();
}

void MachineController::ClearBreakpointsAndWatches() {
  session_.ClearBreakpointsAndWatches();
  emit BreakpointsChanged();
  emit BreakpointsCleared();
}

void MachineController::ClearOnLoad() {
  const bool any = session_.Debugging();
  ClearBreakpointsAndWatches();
  if (any) emit ClearedOnLoad();
}

void MachineController::StepBack() {
  if (Running()) Stop();
  BackResult result;
  if (Guarded([&] { result = session_.StepBack(1); })) AfterGoingBack(result);
}

void MachineController::RunBack() {
  if (Running()) Stop();
  BackResult result;
  if (Guarded([&] { result = session_.RunBack(); })) AfterGoingBack(result);
}

void MachineController::AfterGoingBack(const BackResult& result) {
  emit StateReplaced();
  emit SteppedBack(result);
  emit Settled();
}

// Cells and IP are set while the machine is stopped or waits at a fixed point.
bool MachineController::Editable() const {
  const RunState& run = session_.Status();
  return !run.Running() || run.waiting;
}

bool MachineController::EditCell(int cell, int value) {
  if (!Editable() || cell < 0 || cell > 255 || value < 0 || value > 255) return false;
  session_.WriteCell(cell, static_cast<Byte>(value));
  Wake();
  emit MemoryReplaced();
  return true;
}

bool MachineController::EditIP(int ip) {
  if (!Editable() || ip < 0 || ip > MaxIP) return false;
  Machine machine = session_.State();
  machine.IP = static_cast<Byte>(ip);
  session_.ReplaceMachine(machine);
  Wake();
  emit MemoryReplaced();
  return true;
}

}  // namespace zar
