#pragma once

#include "assembler/assemble.h"
#include "devices/screen_device.h"
#include "devices/sum_history.h"
#include "machine/machine.h"

namespace zar {

// Everything the desktop program keeps for its whole run, independent of the
// windows that show it. The program makes one; tests make their own.
struct DesktopState {
  Machine machine;
  ScreenDevice screen;
  SumHistory history;
  AssemblerState assembler;
};

}  // namespace zar
