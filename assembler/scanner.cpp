#include "assembler/scanner.h"

#include <string>
#include <vector>

#include "assembler/scan_notes.h"
#include "assembler/statements.h"
#include "assembler/stage.h"

namespace zar {

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

namespace {

bool ParseFields(const std::vector<std::string_view>& fields, CmdTable& table) {
  if (fields.empty()) return false;
  const std::string_view first = fields[0];
  if (!first.empty() && first[0] == ':') {
    TableRow* row = table.Append();
    if (row == nullptr) return false;
    row->Cmd = LabelCmd;
    row->Label = first.substr(1);
    return true;
  }
  const StatementInfo* statement = StatementStartingField(first);
  if (statement == nullptr) return true;
  TableRow* row = table.Append();
  if (row == nullptr) return false;
  row->Cmd = first;
  std::string* operands[] = {&row->Arg1, &row->Arg2, &row->Arg3};
  for (int k = 0; k < statement->operands; ++k) {
    // A row stays with the operands copied so far when the line runs short.
    if (static_cast<std::size_t>(k + 1) >= fields.size()) return false;
    *operands[k] = fields[k + 1];
  }
  return true;
}

}  // namespace

bool ParseLine(std::string_view line, CmdTable& table) {
  bool parsed = false;
  return RunStage([&] { parsed = ParseFields(SplitFields(line), table); }) && parsed;
}

namespace {

// Calls parse(line, number, last) for each line of the text; position
// follows the character reached.
template <typename Parse>
void ForEachLine(std::string_view text, std::size_t& position, Parse&& parse) {
  std::size_t start = 0;
  int number = 1;
  for (; position < text.size(); ++position) {
    if (text[position] != '\n') continue;
    std::size_t end = position;
    if (end > start && text[end - 1] == '\r') --end;
    parse(text.substr(start, end - start), number++, false);
    start = position + 1;
  }
  parse(text.substr(start), number, true);
}

}  // namespace

std::vector<std::string_view> SourceLineViews(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t position = 0;
  ForEachLine(text, position, [&](std::string_view line, int, bool) { lines.push_back(line); });
  return lines;
}

StageReport ScanSource(std::string_view text, CmdTable& table) {
  StageReport report;
  int lineNumber = 0;
  const auto parse = [&](std::string_view line, int number, bool last) {
    lineNumber = number;
    const int rows = table.CmdCount();
    const bool parsed = ParseLine(line, table);
    const TableRow* row = table.CmdCount() > rows ? &table[rows] : nullptr;
    if (row != nullptr) table[rows].Line = number;
    if (!parsed) {
      report.messages.push_back(
          {"Input Processing failed at: " + std::string(line), number, ScanFailureReason(line, last)});
    } else if (auto warning = ScanWarning(line, row)) {
      report.warnings.push_back({std::move(*warning), number, {}});
    }
  };
  std::size_t position = 0;
  const bool scanned = RunStage([&] {
    table.Clear();
    ForEachLine(text, position, parse);
  });
  if (!scanned) {
    report.messages.push_back({"Text Scan failed at: " + std::to_string(position + 1), lineNumber,
                               "the source could not be read into the table"});
    return report;
  }
  report.shown = ShowTable(table);
  return report;
}

}  // namespace zar
