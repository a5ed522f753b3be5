#include "cli/program_input.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "assembler/assemble.h"
#include "cli/arguments.h"
#include "cli/output_file.h"
#include "formats/program_file.h"
#include "formats/source_file.h"

namespace zar::cli {

namespace {

// Assembles a source as zar asm does, its messages on stderr; the program
// goes into memory when generation succeeds.
bool AssembleInto(const std::string& source, MemoryCells& memory) {
  AssemblerState state;
  const Assembly assembly = Assemble(SourceLines(source), state, {GenerateMode::Copy, false});
  for (const StageMessage& message : assembly.messages) std::fprintf(stderr, "%s\n", message.text.c_str());
  if (assembly.generated) std::copy_n(state.Image.begin(), memory.size(), memory.begin());
  return assembly.generated;
}

}  // namespace

int LoadImage(const std::string& name, MemoryCells& memory, bool* assembled) {
  std::string source;
  std::error_code error;
  if (HasSourceName(name)) {
    if (!ReadSource(name, source)) return ExitUsage;
  } else if (name == "-" || !std::filesystem::is_regular_file(name, error)) {
    // A pipe cannot be read again: its bytes are read once, and tell.
    if (!ReadSource(name == "-" ? "/dev/stdin" : name, source)) return ExitUsage;
    // Text without a cell value changes no cell: it is a source.
    if (ReadProgramText(source, memory) > 0) return ExitOk;
  } else {
    std::size_t cellLines = 0;
    if (!ReadProgram(name, memory, cellLines)) return ExitUsage;
    if (cellLines > 0) return ExitOk;
    if (!ReadSource(name, source)) return ExitUsage;
  }
  if (assembled != nullptr) *assembled = true;
  return AssembleInto(source, memory) ? ExitOk : ExitFailed;
}

}  // namespace zar::cli
