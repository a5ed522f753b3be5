#include "machine/memory_text.h"

namespace zar {

MarkedCells MarkedCellsOf(const Machine& m) {
  const Instruction in = CurrentInstruction(m);
  return {m.IP, in.A, in.B, in.C};
}

std::string MemoryText(const Machine& m) {
  const MarkedCells marked = MarkedCellsOf(m);
  std::string s;
  s.reserve(1200);
  for (int i = 0; i < 256; ++i) {
    const bool bracket = marked.Contains(i);
    if (bracket) s += '[';
    s += std::to_string(m.Memory[i]);
    if (bracket) s += ']';
    s += '\t';
    if (i % 16 == 15) s += '\r';
  }
  s += "\rIP:" + std::to_string(m.IP);
  s += " [A]:" + std::to_string(m.Memory[marked.A]);
  s += " [B]:" + std::to_string(m.Memory[marked.B]);
  s += " C:" + std::to_string(marked.C);
  return s;
}

}  // namespace zar
