#pragma once

#include <string>

#include "machine/machine.h"

namespace zar {

// The one instruction, worked out for the state it would run on: the three
// operands, the two values, the byte stored in A and where IP goes. All three
// operands are fetched before anything is written, so an instruction that
// overwrites its own cells still jumps to the C it was fetched with.
struct Decoded {
  Byte ip = 0;
  Byte a = 0, b = 0, c = 0;  // the operand cells' contents: two addresses and a jump target
  Byte x = 0, y = 0;         // Memory[a] and Memory[b] before the step
  Byte result = 0;           // (x - y) mod 256, stored into Memory[a]
  bool jumps = false;        // x <= y as unsigned bytes: the difference is zero or negative
  Byte next = 0;             // the next IP: C or IP + 3, 0 beyond 252
};

// The instruction at ip, for a loop that keeps IP at hand.
inline Decoded Decode(const MemoryCells& memory, Byte ip) {
  Decoded d;
  d.ip = ip;
  d.a = memory[d.ip];
  d.b = memory[d.ip + 1];
  d.c = memory[d.ip + 2];
  d.x = memory[d.a];
  d.y = memory[d.b];
  d.result = static_cast<Byte>(d.x - d.y);
  d.jumps = d.x <= d.y;
  d.next = WrapIP(d.jumps ? d.c : d.ip + 3);
  return d;
}

inline Decoded Decode(const Machine& m) { return Decode(m.Memory, m.IP); }

// Stores the result and moves IP: the instruction's whole effect.
inline void Execute(Machine& m, const Decoded& d) {
  m.Memory[d.a] = d.result;
  m.IP = d.next;
}

// The instruction in words, for people:
// "IP 3: [255] 0 - [18] 65 = 191; 0 <= 65, so jump to 6" or
// "IP 9: [20] 7 - [21] 2 = 5; 7 > 2, so go on to 12".
std::string DescribeInstruction(const Decoded& d);

}  // namespace zar
