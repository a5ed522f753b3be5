#include "assembler/cmd_table.h"

#include "assembler/statements.h"
#include "machine/machine.h"

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

// Rows keep source order but for the constant cells of MOVs, appended at the
// end; those are data and never an answer.
std::optional<int> InstructionAtLine(const CmdTable& table, int line) {
  for (const TableRow& row : table.Rows()) {
    const StatementInfo* statement = ExactStatement(row.Cmd);
    if (row.Line < line || row.Constant || statement == nullptr || statement->cells != 3) continue;
    if (row.Pos < 0 || row.Pos > MaxIP) return std::nullopt;
    return row.Pos;
  }
  return std::nullopt;
}

}  // namespace zar
