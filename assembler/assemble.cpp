#include "assembler/assemble.h"

#include "assembler/positions.h"
#include "assembler/scanner.h"

namespace zar {

namespace {

void Take(StageReport report, Assembly& assembly, std::string& window) {
  for (StageMessage& message : report.messages) assembly.messages.push_back(std::move(message));
  for (StageMessage& warning : report.warnings) assembly.warnings.push_back(std::move(warning));
  if (report.shown) window = std::move(*report.shown);
}

}  // namespace

Assembly Assemble(std::string_view source, AssemblerState& state, GenerateOptions options) {
  Assembly assembly;
  Take(ScanSource(source, state.Table), assembly, assembly.table);
  Take(AssignPositions(state.Table), assembly, assembly.table);
  StageReport generation = GenerateCode(state.Table, state.Image, options);
  assembly.generated = Generated(generation);
  Take(std::move(generation), assembly, assembly.listing);
  return assembly;
}

}  // namespace zar
