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

// The text dump's lines: the 16 rows of memory, an empty line, the status line.
inline constexpr int MemoryTextLines = 18;
inline constexpr int MemoryStatusLine = 17;

// One line of the text dump without its line break: for lines 0 to 15 that
// row's 16 values, each followed by a tab, marked cells in brackets; line 16
// is empty; line 17 is the status line "IP:0 [A]:5 [B]:7 C:6".
std::string MemoryTextLine(const Machine& machine, const MarkedCells& marked, int line);

// The text dump: its lines, each but the last ended by a carriage return.
std::string MemoryText(const Machine& machine);

}  // namespace zar
