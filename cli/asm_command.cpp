#include <cstdio>
#include <string>

#include "assembler/assemble.h"
#include "assembler/source_file.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "machine/program_file.h"
#include "machine/text_file.h"

namespace zar::cli {

namespace {

// Prints every message on stderr as it comes and keeps the window texts.
class CliAssemblerHost final : public AssemblerHost {
 public:
  void Message(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
  }
  void ShowTableText(std::string_view text) override { table = text; }
  void ShowListingText(std::string_view text) override { listing = text; }

  std::string table;
  std::string listing;
};

// Writes the text to the file named by the option, if given.
bool WriteOptionalFile(const Arguments& args, const std::string& option, const std::string& text) {
  const auto path = args.Value(option);
  if (!path) return true;
  if (const FileError error = WriteFileAtomically(*path, text)) {
    std::fprintf(stderr, "zar: %s\n", error->c_str());
    return false;
  }
  return true;
}

}  // namespace

int AsmCommand(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(words, {"-o", "--listing", "--table"}, {"--debug"}, 1);
  if (!args.error.empty()) return UsageError(args.error);

  std::string source;
  if (const FileError error = LoadSourceFile(args.positional[0], source)) {
    std::fprintf(stderr, "zar: %s\n", error->c_str());
    return ExitUsage;
  }

  CliAssemblerHost host;
  AssemblerState state;
  Machine machine;
  const bool generated = Assemble(source, state, machine, {.debug = args.Has("--debug"), .copy = true}, host);

  bool written = WriteOptionalFile(args, "--listing", host.listing);
  written = WriteOptionalFile(args, "--table", host.table) && written;
  if (generated) {
    if (const auto image = args.Value("-o")) {
      if (const FileError error = SaveProgramFile(*image, machine.Memory)) {
        std::fprintf(stderr, "zar: %s\n", error->c_str());
        written = false;
      }
    }
  }
  if (!written) return ExitUsage;
  return generated ? ExitOk : ExitFailed;
}

}  // namespace zar::cli
