#include "assembler/positions.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "assembler/number_text.h"

namespace zar {

namespace {

struct AddressOverflow {};

// The text of the constant cell a "MOV" with the number n needs: 256 - n, or
// 0 when n is 0 or 256.
std::string MovConstantText(long long n) {
  const long long v = 256 - n;
  return std::to_string(v == 256 ? 0 : v);
}

void FoldLabels(CmdTable& table) {
  std::vector<TableRow> rows;
  rows.reserve(table.Rows().size());
  std::optional<std::string> pending;  // the label waiting for its row
  for (const TableRow& row : table.Rows()) {
    if (row.Cmd == "LAB") {
      if (!pending) pending = row.Label;
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

void PlaceRows(CmdTable& table, int& counter) {
  std::unordered_set<std::string> valTexts;
  for (const TableRow& row : table.Rows()) {
    if (row.Cmd == "VAL") valTexts.insert(row.Arg1);
  }
  // Rows appended here are placed by the same loop.
  for (int i = 0; i < table.CmdCount(); ++i) {
    const int size = RowSize(table[i].Cmd);
    if (size == 0) continue;
    if (counter + size > 32767) throw AddressOverflow{};
    table[i].Pos = static_cast<std::int16_t>(counter);
    counter += size;
    if (table[i].Cmd != "MOV") continue;
    const auto n = ReadWholeNumber(table[i].Arg2);
    if (!n) continue;
    std::string text = MovConstantText(*n);
    if (valTexts.insert(text).second) {
      TableRow& constant = table.Append();
      constant.Cmd = "VAL";
      constant.Arg1 = std::move(text);
    }
  }
}

}  // namespace

void AssignPositions(CmdTable& table, AssemblerHost& host) {
  int counter = 0;
  try {
    FoldLabels(table);
    PlaceRows(table, counter);
  } catch (...) {
    host.Message("Input Processing failed at: " + std::to_string(counter));
    return;
  }
  host.ShowTableText(ShowTable(table));
}

}  // namespace zar
