#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "assembler/assemble.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "formats/program_file.h"
#include "formats/source_file.h"

namespace zar::cli {

namespace {

// "FILE:LINE: " (or "FILE: " for no line) before a text, as compilers print it.
std::string Located(const std::string& file, int line, const std::string& text) {
  if (line == 0) return file + ": " + text;
  return file + ":" + std::to_string(line) + ": " + text;
}

// Every message on stderr. With --locations each one is located and
// followed by its reason as a note, and the warnings follow.
void PrintMessages(const Assembly& assembly, const Arguments& args) {
  const bool located = args.Has("--locations");
  const std::string& file = args.positional[0];
  for (const StageMessage& message : assembly.messages) {
    if (!located) {
      std::fprintf(stderr, "%s\n", message.text.c_str());
      continue;
    }
    std::fprintf(stderr, "%s\n", Located(file, message.line, message.text).c_str());
    if (!message.reason.empty())
      std::fprintf(stderr, "%s\n", Located(file, message.line, "note: " + message.reason).c_str());
  }
  if (!located) return;
  for (const StageMessage& warning : assembly.warnings) {
    std::fprintf(stderr, "%s\n", Located(file, warning.line, "warning: " + warning.text).c_str());
  }
}

// Writes the text to the file named by the option, if given.
bool WriteOptionalFile(const Arguments& args, const std::string& option, const std::string& text) {
  const auto path = args.Value(option);
  return !path || WriteOutput(*path, text);
}

}  // namespace

int AsmCommand(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(words, {"-o", "--listing", "--table"}, {"--debug", "--locations", "--strict"},
                                        1);
  if (!args.error.empty()) return UsageError(args.error);

  std::vector<std::string> outputs;
  for (const char* option : {"-o", "--listing", "--table"}) {
    if (const auto name = args.Value(option)) outputs.push_back(*name);
  }
  if (!OutputsSpare(args.positional[0], "source file", outputs)) return ExitUsage;
  std::string source;
  if (!ReadSource(args.positional[0], source)) return ExitUsage;

  // The program as a copy into cleared memory would leave it.
  AssemblerState state;
  const Assembly assembly = Assemble(SourceLines(source), state, {GenerateMode::Copy, args.Has("--debug")});
  PrintMessages(assembly, args);

  bool written = WriteOptionalFile(args, "--listing", assembly.listing);
  written = WriteOptionalFile(args, "--table", assembly.table) && written;
  if (const auto image = args.Value("-o"); image && assembly.generated) {
    MemoryCells memory{};
    std::copy_n(state.Image.begin(), memory.size(), memory.begin());
    written = WriteOutput(*image, ProgramFileText(memory)) && written;
  }
  if (!written) return ExitUsage;
  if (args.Has("--strict") && (!assembly.messages.empty() || !assembly.warnings.empty())) return ExitFailed;
  return assembly.generated ? ExitOk : ExitFailed;
}

}  // namespace zar::cli
