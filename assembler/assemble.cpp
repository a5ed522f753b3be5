#include "assembler/assemble.h"

#include "assembler/positions.h"
#include "assembler/scanner.h"

namespace zar {

bool Assemble(std::string_view source, AssemblerState& state, Machine& machine, GenerateFlags flags,
              AssemblerHost& host) {
  ScanSource(source, state.Table, host);
  AssignPositions(state.Table, host);
  return GenerateCode(state.Table, state.Image, machine, flags, host);
}

}  // namespace zar
