#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "session/compiled_code.h"

namespace zar::compiled {

// A block to compile: its start and its number of instructions; its offset
// in the buffer once written.
struct BlockPlan {
  Byte start = 0;
  int length = 0;
  std::size_t offset = 0;
};

// The cells the program rewrites: code reads them from memory at each step.
using FromMemory = std::array<bool, 256>;

// Writes the blocks one after the other into buffer, which holds size
// bytes, each instruction with A, B and C as constants but those in cells
// read from memory; every way out of a block goes through the table of
// entries or a stub. The bytes written, or nothing when they do not fit.
std::optional<std::size_t> EmitBlocks(std::uint8_t* buffer, std::size_t size, bool samples,
                                      const CompiledCode::Stubs& stubs, BlockPlan* plans, int count,
                                      const MemoryCells& memory, const FromMemory& fromMemory);

}  // namespace zar::compiled
