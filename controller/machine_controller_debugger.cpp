// The controller's debugger commands: breakpoints and watches, going back
// and the cell editor.
#include "controller/machine_controller.h"

namespace zar {

void MachineController::ToggleBreakpoint(Byte address) {
  session_.SetBreakpoint(address, !session_.IsBreakpoint(address));
  emit BreakpointsChanged();
}

void MachineController::SetWatch(Byte cell, bool on) {
  session_.SetWatch(cell, on);
  emit BreakpointsChanged();
}

void MachineController::ClearBreakpointsAndWatches() {
  session_.ClearBreakpointsAndWatches();
  emit BreakpointsChanged();
}

void MachineController::StepBack() {
  if (Running() || fullSpeed_) Stop();
  const std::uint64_t printed = session_.Printed();
  AfterGoingBack(session_.StepBack(1), printed);
}

void MachineController::RunBack() {
  if (Running() || fullSpeed_) Stop();
  const std::uint64_t printed = session_.Printed();
  AfterGoingBack(session_.RunBack(), printed);
}

void MachineController::AfterGoingBack(const BackResult& result, std::uint64_t printedBefore) {
  emit StateReplaced(printedBefore - session_.Printed());
  emit SteppedBack(result);
  emit Settled();
}

bool MachineController::EditCell(int cell, int value) {
  if (Running() || fullSpeed_ || cell < 0 || cell > 255 || value < 0 || value > 255) return false;
  session_.WriteCell(cell, static_cast<Byte>(value));
  emit MemoryReplaced();
  return true;
}

bool MachineController::EditIP(int ip) {
  if (Running() || fullSpeed_ || ip < 0 || ip > MaxIP) return false;
  Machine machine = session_.State();
  machine.IP = static_cast<Byte>(ip);
  session_.ReplaceMachine(machine);
  emit MemoryReplaced();
  return true;
}

}  // namespace zar
