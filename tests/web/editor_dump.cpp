// Prints, for the page's editor tests, what the desktop's workbench makes of
// a source file: the token classes of every line (as its highlighter colours
// them) and the messages and warnings of "Generate" with "Debug Modus", as
// one JSON text. Texts in UTF-8; tokens as [line from 0, start, length, kind];
// the address a breakpoint on each line goes to; the listing with the source.
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "assembler/assemble.h"
#include "assembler/scanner.h"
#include "assembler/source_tokens.h"
#include "formats/source_file.h"
#include "machine/cp1252.h"

namespace {

nlohmann::json Messages(const std::vector<zar::StageMessage>& messages) {
  nlohmann::json list = nlohmann::json::array();
  for (const zar::StageMessage& m : messages) {
    list.push_back({{"text", zar::Cp1252ToUtf8(m.text)}, {"line", m.line}, {"reason", zar::Cp1252ToUtf8(m.reason)}});
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: editor-dump SOURCE\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string source = zar::SourceLines(bytes);
  nlohmann::json tokens = nlohmann::json::array();
  int line = 0;
  for (const std::string_view text : zar::SourceLineViews(source)) {
    for (const zar::SourceToken& t : zar::LineTokens(text)) {
      tokens.push_back({line, t.start, t.length, static_cast<int>(t.kind)});
    }
    ++line;
  }
  zar::AssemblerState state;
  const zar::Assembly assembly = zar::Assemble(source, state, {zar::GenerateMode::ListingOnly, true});
  // Where a breakpoint on each line goes: its instruction's address, or null.
  nlohmann::json at = nlohmann::json::array();
  for (int n = 1; n <= line; ++n) {
    const auto address = zar::InstructionAtLine(state.Table, n);
    at.push_back(address ? nlohmann::json(*address) : nlohmann::json());
  }
  // The same with "Show Source in Listing".
  const std::vector<std::string_view> lines = zar::SourceLineViews(source);
  zar::AssemblerState again;
  const zar::Assembly withSource = zar::Assemble(source, again, {zar::GenerateMode::ListingOnly, true, lines});
  const nlohmann::json dump = {{"tokens", tokens},
                               {"listingWithSource", zar::Cp1252ToUtf8(withSource.listing)},
                               {"instructionAtLine", at},
                               {"messages", Messages(assembly.messages)},
                               {"warnings", Messages(assembly.warnings)},
                               {"listing", zar::Cp1252ToUtf8(assembly.listing)}};
  std::cout << dump.dump() << "\n";
  return 0;
}
