#include "assembler/scanner.h"

#include <array>
#include <string>
#include <vector>

namespace zar {

namespace {

struct Keyword {
  std::string_view prefix;
  int operands;
};

constexpr std::array<Keyword, 8> Keywords = {{
    {"NUL", 0},
    {"NXT", 0},
    {"SET", 1},
    {"POS", 1},
    {"GTO", 1},
    {"VAL", 1},
    {"MOV", 2},
    {"SUB", 3},
}};

struct MissingOperand {};

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  if (line.empty()) return fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

const Keyword* FindKeyword(std::string_view field) {
  const std::string_view start = field.substr(0, 3);
  for (const Keyword& k : Keywords) {
    if (k.prefix == start) return &k;
  }
  return nullptr;
}

void ParseFields(const std::vector<std::string_view>& fields, CmdTable& table) {
  if (fields.empty()) throw MissingOperand{};
  const std::string_view first = fields[0];
  if (!first.empty() && first[0] == ':') {
    TableRow& row = table.Append();
    row.Cmd = "LAB";
    row.Label = first.substr(1);
    return;
  }
  const Keyword* keyword = FindKeyword(first);
  if (keyword == nullptr) return;
  TableRow& row = table.Append();
  row.Cmd = first;
  std::string* operands[] = {&row.Arg1, &row.Arg2, &row.Arg3};
  for (int k = 0; k < keyword->operands; ++k) {
    // A row stays with the operands copied so far when the line runs short.
    if (static_cast<std::size_t>(k + 1) >= fields.size()) throw MissingOperand{};
    *operands[k] = fields[k + 1];
  }
}

}  // namespace

void ParseLine(std::string_view line, CmdTable& table, AssemblerHost& host) {
  try {
    ParseFields(SplitFields(line), table);
  } catch (...) {
    host.Message("Input Processing failed at: " + std::string(line));
  }
}

void ScanSource(std::string_view text, CmdTable& table, AssemblerHost& host) {
  std::size_t position = 0;
  try {
    table.Clear();
    std::size_t start = 0;
    for (; position < text.size(); ++position) {
      if (text[position] != '\n') continue;
      std::size_t end = position;
      if (end > start && text[end - 1] == '\r') --end;
      ParseLine(text.substr(start, end - start), table, host);
      start = position + 1;
    }
    ParseLine(text.substr(start), table, host);
  } catch (...) {
    host.Message("Text Scan failed at: " + std::to_string(position + 1));
    return;
  }
  host.ShowTableText(ShowTable(table));
}

}  // namespace zar
