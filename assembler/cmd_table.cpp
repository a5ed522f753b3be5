#include "assembler/cmd_table.h"

namespace zar {

TableRow& CmdTable::Append() {
  if (CmdCount() >= MaxRows) throw TableOverflow{};
  return rows_.emplace_back();
}

void CmdTable::Replace(std::vector<TableRow> rows) {
  if (rows.size() > static_cast<std::size_t>(MaxRows)) throw TableOverflow{};
  rows_ = std::move(rows);
}

int RowSize(std::string_view cmd) {
  if (cmd == "NUL" || cmd == "SET" || cmd == "POS" || cmd == "VAL" || cmd == "NXT") return 1;
  if (cmd == "GTO" || cmd == "SUB" || cmd == "MOV") return 3;
  return 0;
}

std::string ShowTable(const CmdTable& table) {
  std::string text = "CMD\tARG 1\tARG 2\tARG 3\tLABEL\tPOS\r";
  for (const TableRow& row : table.Rows()) {
    text += row.Cmd + '\t' + row.Arg1 + '\t' + row.Arg2 + '\t' + row.Arg3 + '\t' + row.Label + '\t' +
            std::to_string(row.Pos) + '\r';
  }
  return text;
}

}  // namespace zar
