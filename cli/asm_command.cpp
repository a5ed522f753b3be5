#include <algorithm>
#include <cstdio>
#include <string>

#include "assembler/assemble.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "formats/program_file.h"
#include "formats/source_file.h"

namespace zar::cli {

namespace {

// Writes the text to the file named by the option, if given.
bool WriteOptionalFile(const Arguments& args, const std::string& option, const std::string& text) {
  const auto path = args.Value(option);
  return !path || WriteOutput(*path, text);
}

}  // namespace

int AsmCommand(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(words, {"-o", "--listing", "--table"}, {"--debug"}, 1);
  if (!args.error.empty()) return UsageError(args.error);

  std::string source;
  if (!ReportFile(LoadSourceFile(args.positional[0], source))) return ExitUsage;

  // The program as a copy into cleared memory would leave it.
  AssemblerState state;
  const Assembly assembly = Assemble(SourceLines(source), state, {GenerateMode::Copy, args.Has("--debug")});
  for (const std::string& message : assembly.messages) std::fprintf(stderr, "%s\n", message.c_str());

  bool written = WriteOptionalFile(args, "--listing", assembly.listing);
  written = WriteOptionalFile(args, "--table", assembly.table) && written;
  if (const auto image = args.Value("-o"); image && assembly.generated) {
    MemoryCells memory{};
    std::copy_n(state.Image.begin(), memory.size(), memory.begin());
    written = WriteOutput(*image, ProgramFileText(memory)) && written;
  }
  if (!written) return ExitUsage;
  return assembly.generated ? ExitOk : ExitFailed;
}

}  // namespace zar::cli
