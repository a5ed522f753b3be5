#include "assembler/cmd_table.h"

namespace zar {

TableRow* CmdTable::Append() {
  if (CmdCount() >= MaxRows) return nullptr;
  return &rows_.emplace_back();
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
