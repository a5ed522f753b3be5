#include "controller/assembler_controller.h"

#include <algorithm>
#include <optional>

#include "assembler/scanner.h"
#include "controller/machine_controller.h"

namespace zar {

AssemblerController::AssemblerController(MachineController& machine, QObject* parent)
    : QObject(parent), machine_(machine) {}

StageReport AssemblerController::Scan(std::string_view source) { return ScanSource(source, state_.Table); }

Assembly AssemblerController::Assemble(std::string_view source, GenerateOptions options) {
  Assembly assembly = zar::Assemble(source, state_, options);
  if (!CopiesIntoMemory(options.mode)) return assembly;
  std::optional<MemoryCells> code;
  if (assembly.generated) {
    code.emplace();
    std::copy_n(state_.Image.begin(), code->size(), code->begin());
  }
  machine_.CopyIntoMemory(code, options.mode == GenerateMode::CopyAndStart);
  return assembly;
}

}  // namespace zar
