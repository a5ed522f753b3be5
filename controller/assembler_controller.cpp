#include "controller/assembler_controller.h"

#include <algorithm>
#include <optional>

#include "assembler/scanner.h"
#include "controller/machine_controller.h"

namespace zar {

AssemblerController::AssemblerController(MachineController& machine, QObject* parent)
    : QObject(parent), machine_(machine) {
  connect(&machine_, &MachineController::BreakpointsCleared, this, [this] {
    lines_.clear();
    placedAt_.clear();
    emit LineBreakpointsCleared();
  });
}

void AssemblerController::ClearTable() {
  state_.Table.Clear();
  placed_ = false;
}

StageReport AssemblerController::Scan(std::string_view source) {
  placed_ = false;
  machine_.ClearOnLoad();
  return ScanSource(source, state_.Table);
}

Assembly AssemblerController::Assemble(std::string_view source, GenerateOptions options) {
  Assembly assembly = zar::Assemble(source, state_, options);
  placed_ = true;
  // The breakpoints are in place before a copy that starts the machine.
  PlaceLineBreakpoints();
  if (!CopiesIntoMemory(options.mode)) return assembly;
  std::optional<MemoryCells> code;
  if (assembly.generated) {
    code.emplace();
    std::copy_n(state_.Image.begin(), code->size(), code->begin());
  }
  machine_.CopyIntoMemory(code, options.mode == GenerateMode::CopyAndStart);
  return assembly;
}

void AssemblerController::SetLineBreakpoints(std::vector<int> lines) {
  lines_ = std::move(lines);
  PlaceLineBreakpoints();
}

void AssemblerController::PlaceLineBreakpoints() {
  if (!placed_) return;
  std::vector<Byte> at;
  for (const int line : lines_) {
    if (const auto address = InstructionAtLine(state_.Table, line)) at.push_back(static_cast<Byte>(*address));
  }
  machine_.SetBreakpoints(placedAt_, at);
  placedAt_ = std::move(at);
}

}  // namespace zar
