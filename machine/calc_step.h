#pragma once

#include "machine/console_sink.h"
#include "machine/machine.h"

namespace zar {

// Executes the one instruction at IP: Memory[A] -= Memory[B] (mod 256), jump
// to C when the difference is zero or negative, else continue three cells
// further; an IP beyond 252 wraps to 0. All three operands are fetched before
// anything is written. Returns whether memory or IP changed.
inline bool ExecuteInstruction(Machine& m) {
  const int ip = m.IP;
  const Byte a = m.Memory[ip];
  const Byte b = m.Memory[ip + 1];
  const Byte c = m.Memory[ip + 2];
  const int x = m.Memory[a];
  const int d = x - m.Memory[b];
  const auto stored = static_cast<Byte>(d);
  int next = d > 0 ? ip + 3 : c;
  if (next > MaxIP) next = 0;
  m.Memory[a] = stored;
  m.IP = static_cast<Byte>(next);
  return stored != x || next != ip;
}

// Drains a nonzero console cell into the sink and clears it. Returns whether a
// character was emitted.
inline bool CheckConsole(Machine& m, ConsoleSink& console) {
  const Byte code = m.Memory[ConsoleCell];
  if (code == 0) return false;
  console.ConsoleOut(code);
  m.Memory[ConsoleCell] = 0;
  return true;
}

// One instruction followed by the console drain. Returns whether anything
// changed or was printed.
inline bool CalcStep(Machine& m, ConsoleSink& console) {
  const bool changed = ExecuteInstruction(m);
  const bool printed = CheckConsole(m, console);
  return changed || printed;
}

}  // namespace zar
