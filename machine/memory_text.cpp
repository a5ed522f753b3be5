#include "machine/memory_text.h"

namespace zar {

MarkedCells MarkedCellsOf(const Machine& m) {
  const Instruction in = CurrentInstruction(m);
  return {m.IP, in.A, in.B, in.C};
}

std::string MemoryTextLine(const Machine& m, const MarkedCells& marked, int line) {
  std::string s;
  if (line == MemoryStatusLine) {
    s += "IP:" + std::to_string(m.IP);
    s += " [A]:" + std::to_string(m.Memory[marked.A]);
    s += " [B]:" + std::to_string(m.Memory[marked.B]);
    s += " C:" + std::to_string(marked.C);
    return s;
  }
  if (line < 0 || line >= 16) return s;
  s.reserve(96);
  for (int i = line * 16; i < line * 16 + 16; ++i) {
    const bool bracket = marked.Contains(i);
    if (bracket) s += '[';
    s += std::to_string(m.Memory[i]);
    if (bracket) s += ']';
    s += '\t';
  }
  return s;
}

std::string MemoryText(const Machine& m) {
  const MarkedCells marked = MarkedCellsOf(m);
  std::string s;
  s.reserve(1200);
  for (int line = 0; line < MemoryTextLines; ++line) {
    if (line > 0) s += '\r';
    s += MemoryTextLine(m, marked, line);
  }
  return s;
}

}  // namespace zar
