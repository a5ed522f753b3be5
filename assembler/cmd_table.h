#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace zar {

// A row's address: the signed 16-bit Pos.
inline constexpr int MaxPos = std::numeric_limits<std::int16_t>::max();

// One row of the internal table. Texts are kept exactly as the scanner cut
// them out of the source line.
struct TableRow {
  std::string Cmd;
  std::string Arg1;
  std::string Arg2;
  std::string Arg3;
  std::string Label;
  std::int16_t Pos = 0;
  // The source line the row came from, counted from 1; the constant rows a
  // MOV needs carry the MOV's line. Not part of the table's text.
  int Line = 0;
  bool Constant = false;  // a constant cell the position pass added for a MOV
};

// The internal table: rows in source order, as many as a signed 16-bit count
// holds.
class CmdTable {
 public:
  static constexpr int MaxRows = std::numeric_limits<std::int16_t>::max();

  int CmdCount() const { return static_cast<int>(rows_.size()); }
  TableRow& operator[](int i) { return rows_[i]; }
  const TableRow& operator[](int i) const { return rows_[i]; }
  const std::vector<TableRow>& Rows() const { return rows_; }

  // Appends an empty row and returns it; null when the table is full.
  TableRow* Append();
  void Clear() { rows_.clear(); }
  // Replaces all rows at once with no more than MaxRows rows.
  void Replace(std::vector<TableRow> rows) { rows_ = std::move(rows); }

 private:
  std::vector<TableRow> rows_;
};

// The table as text: a heading line and one line per row, fields separated by
// tabs, every line ended by a carriage return.
std::string ShowTable(const CmdTable& table);

// Where a source line (from 1) starts running in a placed table: the address
// of the first instruction (GTO, MOV or SUB) from that line on. A line without
// code of its own (a label, SET, a comment, a VAL or other data cell) takes
// the next instruction. None when no instruction follows, or when it lies
// where IP never points.
std::optional<int> InstructionAtLine(const CmdTable& table, int line);

}  // namespace zar
