#pragma once

#include <array>
#include <cstdint>

namespace zar {

using Byte = std::uint8_t;
using MemoryCells = std::array<Byte, 256>;

// The memory map: devices live in the top eighteen cells.
inline constexpr int NetDeviceFirst = 238;  // 238..241 address, 242/243 port
inline constexpr int NetPortHighCell = 242;
inline constexpr int NetPortLowCell = 243;
inline constexpr int NetDataCell = 244;
inline constexpr int NetCommandCell = 245;
inline constexpr int ScreenDeviceFirst = 246;  // 246..252 coordinates and colour
inline constexpr int ScreenCommandCell = 253;
inline constexpr int KeyCell = 254;
inline constexpr int ConsoleCell = 255;

// IP never rests above this between steps, so an instruction never reaches cell 255.
inline constexpr int MaxIP = 252;

// Where IP goes for a jump target or the address after an instruction: an
// address beyond 252 becomes 0.
constexpr Byte WrapIP(int address) { return static_cast<Byte>(address > MaxIP ? 0 : address); }

// The whole state of the emulated computer. One instance per process in the
// programs; tests make as many as they like.
struct Machine {
  MemoryCells Memory{};
  Byte IP = 0;
};

// The three operand cells of the instruction at IP.
struct Instruction {
  Byte A = 0;
  Byte B = 0;
  Byte C = 0;
};

inline Instruction CurrentInstruction(const Machine& m) {
  return {m.Memory[m.IP], m.Memory[m.IP + 1], m.Memory[m.IP + 2]};
}

}  // namespace zar
