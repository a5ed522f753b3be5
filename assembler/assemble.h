#pragma once

#include <string_view>

#include "assembler/assembler_host.h"
#include "assembler/cmd_table.h"
#include "assembler/generator.h"

namespace zar {

// The assembler's data that outlives its windows.
struct AssemblerState {
  CmdTable Table;
  CodeImage Image{};
};

// Runs the three stages in order: ScanSource, AssignPositions, GenerateCode.
// Each stage reports its own failures through the host and the next stage
// runs all the same. Returns whether the generation succeeded.
bool Assemble(std::string_view source, AssemblerState& state, Machine& machine, GenerateFlags flags,
              AssemblerHost& host);

}  // namespace zar
