#include "assembler/positions.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "assembler/number_text.h"
#include "assembler/statements.h"
#include "assembler/stage.h"

namespace zar {

namespace {

// The text of the constant cell a "MOV" with the number n needs: 256 - n, or
// 0 when n is 0 or 256.
std::string MovConstantText(long long n) {
  const long long v = 256 - n;
  return std::to_string(v == 256 ? 0 : v);
}

// A label names the row after it; of labels in a row only the first does,
// and the others are worth a warning.
void FoldLabels(CmdTable& table, std::vector<StageMessage>& warnings) {
  std::vector<TableRow> rows;
  rows.reserve(table.Rows().size());
  std::optional<std::string> pending;  // the label waiting for its row
  for (const TableRow& row : table.Rows()) {
    if (row.Cmd == LabelCmd) {
      if (!pending) {
        pending = row.Label;
      } else {
        warnings.push_back({"label '" + row.Label + "' follows label '" + *pending +
                                "' with no statement between: only the first one names the next statement",
                            row.Line,
                            {}});
      }
      continue;
    }
    rows.push_back(row);
    if (pending) {
      rows.back().Label = std::move(*pending);
      pending.reset();
    }
  }
  table.Replace(std::move(rows));
}

// Returns false when an address or the table overflows; placing is then the
// row being placed.
bool PlaceRows(CmdTable& table, int& counter, int& placing) {
  std::unordered_set<std::string> valTexts;
  for (const TableRow& row : table.Rows()) {
    if (IsStatement(row.Cmd, Statement::VAL)) valTexts.insert(row.Arg1);
  }
  // Rows appended here are placed by the same loop.
  for (int i = 0; i < table.CmdCount(); ++i) {
    placing = i;
    const StatementInfo* statement = ExactStatement(table[i].Cmd);
    if (statement == nullptr) continue;
    if (counter + statement->cells > MaxPos) return false;
    table[i].Pos = static_cast<std::int16_t>(counter);
    counter += statement->cells;
    if (statement->kind != Statement::MOV) continue;
    const auto n = ReadWholeNumber(table[i].Arg2);
    if (!n) continue;
    std::string text = MovConstantText(*n);
    if (!valTexts.insert(text).second) continue;
    TableRow* constant = table.Append();
    if (constant == nullptr) return false;
    constant->Cmd = InfoOf(Statement::VAL).mnemonic;
    constant->Arg1 = std::move(text);
    constant->Line = table[i].Line;
    constant->Constant = true;
  }
  return true;
}

}  // namespace

StageReport AssignPositions(CmdTable& table) {
  StageReport report;
  int counter = 0;
  int row = -1;
  bool placed = false;
  if (!RunStage([&] {
        FoldLabels(table, report.warnings);
        placed = PlaceRows(table, counter, row);
      }) ||
      !placed) {
    const int line = row >= 0 && row < table.CmdCount() ? table[row].Line : 0;
    report.messages.push_back({"Input Processing failed at: " + std::to_string(counter), line,
                               table.CmdCount() >= CmdTable::MaxRows
                                   ? "the table is full with the constant cells MOV needs"
                                   : "the program needs more than " + std::to_string(MaxPos) + " cells"});
    return report;
  }
  report.shown = ShowTable(table);
  return report;
}

}  // namespace zar
