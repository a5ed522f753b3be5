#pragma once

#include <string>

#include "machine/machine.h"

namespace zar {

// The four cells the memory view marks: IP and the current instruction's A, B
// and C.
struct MarkedCells {
  Byte IP = 0;
  Byte A = 0;
  Byte B = 0;
  Byte C = 0;

  bool Contains(int cell) const { return cell == IP || cell == A || cell == B || cell == C; }
};

MarkedCells MarkedCellsOf(const Machine& machine);

// The text dump: 16 lines of 16 tab-terminated values, marked cells in
// brackets, each line ended by a carriage return; then an empty line and the
// status line "IP:0 [A]:5 [B]:7 C:6".
std::string MemoryText(const Machine& machine);

}  // namespace zar
