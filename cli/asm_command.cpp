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

// The message as stderr shows it: with --locations after "FILE:LINE: " (or
// "FILE: " when it belongs to no line).
std::string MessageLine(const StageMessage& message, const Arguments& args) {
  if (!args.Has("--locations")) return message.text;
  const std::string& file = args.positional[0];
  if (message.line == 0) return file + ": " + message.text;
  return file + ":" + std::to_string(message.line) + ": " + message.text;
}

// Writes the text to the file named by the option, if given.
bool WriteOptionalFile(const Arguments& args, const std::string& option, const std::string& text) {
  const auto path = args.Value(option);
  return !path || WriteOutput(*path, text);
}

}  // namespace

int AsmCommand(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(words, {"-o", "--listing", "--table"}, {"--debug", "--locations"}, 1);
  if (!args.error.empty()) return UsageError(args.error);

  std::string source;
  if (!ReportFile(LoadSourceFile(args.positional[0], source))) return ExitUsage;

  // The program as a copy into cleared memory would leave it.
  AssemblerState state;
  const Assembly assembly = Assemble(SourceLines(source), state, {GenerateMode::Copy, args.Has("--debug")});
  for (const StageMessage& message : assembly.messages) {
    std::fprintf(stderr, "%s\n", MessageLine(message, args).c_str());
  }

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
