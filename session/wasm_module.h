#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "session/block_emitter.h"

namespace zar::compiled {

// What the module's function reads when it starts and writes back when it
// leaves, in the page's memory: addresses and counters as 32-bit words.
struct WasmContext {
  std::uint32_t memory;      // the machine's cells
  std::uint32_t holds;       // for each cell, the blocks made from it
  std::uint32_t table;       // for each address, the case of its block (16 bits), or 0
  std::uint32_t budget;      // steps left
  std::uint32_t console;     // the console's next byte
  std::uint32_t consoleEnd;  // and its end
  std::uint32_t ip;
  std::uint32_t wrote;  // 1 when the code left after a write to a cell that holds code
  std::uint32_t ring;   // the history's ring, with samples
  std::int32_t sum;
  std::uint32_t position;
  // The screen's store (ScreenBufferRaw) for the plots served in the
  // module, and how many it served.
  std::uint32_t pixels;
  std::uint32_t filling;
  std::uint32_t written;
  std::uint32_t versions;
  std::uint32_t plots;
};

// A block of the module: its start and its number of instructions.
struct WasmBlock {
  Byte start = 0;
  int length = 0;
};

struct WasmModule {
  std::vector<std::uint8_t> bytes;
  // For each address, the case of the block that starts there, or 0.
  std::array<std::uint16_t, 256> entry{};
};

// The module of the given blocks: it imports the page's memory ("env"
// "memory") and the screen's service ("env" "serve"), and exports "run",
// which takes the address of a WasmContext and runs from its ip. Every step
// of every block is a case of one dispatch; a way on to another block goes
// through the table of cases in memory (0: leave with ip there), so a block
// dropped needs no new module. A plot is served in the module, as the
// screen's store keeps one, but on a row still to take its fill colour;
// other screen commands are served by serve, given the context: it returns
// whether it wrote a cell that holds code. (The
// page's table of functions is not imported: V8 keeps every instance that
// imports a table alive as long as the table.) Each instruction takes A, B
// and C as constants but those in cells read from memory, as the x86 blocks do.
WasmModule WriteModule(const std::vector<WasmBlock>& blocks, const MemoryCells& memory, const FromMemory& fromMemory,
                       bool samples);

}  // namespace zar::compiled
