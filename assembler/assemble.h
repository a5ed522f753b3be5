#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "assembler/cmd_table.h"
#include "assembler/generator.h"

namespace zar {

// The assembler's data that outlives its windows.
struct AssemblerState {
  CmdTable Table;
  CodeImage Image{};
};

// What the three stages left: every message and warning in order, the table
// text last shown, and the listing with whether generation succeeded.
struct Assembly {
  std::vector<StageMessage> messages;
  std::vector<StageMessage> warnings;
  std::string table;
  std::string listing;
  bool generated = false;
};

// Runs ScanSource, AssignPositions and GenerateCode in this order; each stage
// runs whatever the one before it reported.
Assembly Assemble(std::string_view source, AssemblerState& state, GenerateOptions options);

}  // namespace zar
