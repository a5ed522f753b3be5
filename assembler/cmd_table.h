#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zar {

// One row of the internal table. Texts are kept exactly as the scanner cut
// them out of the source line.
struct TableRow {
  std::string Cmd;
  std::string Arg1;
  std::string Arg2;
  std::string Arg3;
  std::string Label;
  std::int16_t Pos = 0;
};

// Thrown when the table would grow beyond its 32,767 rows.
struct TableOverflow {};

// The internal table: rows in source order, at most MaxRows of them.
class CmdTable {
 public:
  static constexpr int MaxRows = 32767;

  int CmdCount() const { return static_cast<int>(rows_.size()); }
  TableRow& operator[](int i) { return rows_[i]; }
  const TableRow& operator[](int i) const { return rows_[i]; }
  const std::vector<TableRow>& Rows() const { return rows_; }

  // Appends an empty row and returns it; throws TableOverflow when full.
  TableRow& Append();
  void Clear() { rows_.clear(); }
  // Replaces all rows at once; the count must be within MaxRows.
  void Replace(std::vector<TableRow> rows);

 private:
  std::vector<TableRow> rows_;
};

// Machine cells a row occupies, by its exact mnemonic: 1 for NUL, SET, POS,
// VAL and NXT, 3 for GTO, SUB and MOV, 0 for anything else.
int RowSize(std::string_view cmd);

// The table as text: a heading line and one line per row, fields separated by
// tabs, every line ended by a carriage return.
std::string ShowTable(const CmdTable& table);

}  // namespace zar
