#include "assembler/scan_notes.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "assembler/number_text.h"
#include "assembler/scanner.h"
#include "assembler/statements.h"

namespace zar {

namespace {

constexpr std::string_view Blanks = " \t";

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string Operands(int n) { return std::to_string(n) + (n == 1 ? " operand" : " operands"); }

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(Blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  return upper;
}

std::string StatementList() {
  std::string list;
  for (const StatementInfo& s : Statements) list += (list.empty() ? "" : ", ") + std::string(s.mnemonic);
  return list;
}

// A line that gave no row: why the scanner passed it by.
std::optional<std::string> SkippedLine(std::string_view line) {
  const std::string_view field = Trimmed(SplitFields(line).front());
  if (field.empty() || field.front() == '#') return std::nullopt;
  const std::string_view word = field.substr(0, field.find_first_of(Blanks));
  if (StatementStartingField(field) != nullptr) {
    return "not recognised: blanks before " + Quoted(word) + "; a statement starts the line";
  }
  if (const StatementInfo* statement = StatementStartingField(Upper(word))) {
    return "not recognised: statements are written in capitals, " + std::string(statement->mnemonic) + " not " +
           Quoted(word.substr(0, 3));
  }
  return "not recognised: " + Quoted(word) + " is no statement (the statements are " + StatementList() + ")";
}

// Fields after those the row took.
std::optional<std::string> IgnoredFields(std::string_view line, std::size_t taken, const std::string& what) {
  const std::vector<std::string_view> fields = SplitFields(line);
  if (fields.size() <= taken) return std::nullopt;
  const auto at = static_cast<std::size_t>(fields[taken].data() - line.data()) - 1;  // the comma before it
  return what + "; " + Quoted(line.substr(at)) + " after it is ignored";
}

std::optional<std::string> LabelLine(std::string_view line, const TableRow& row) {
  const std::size_t blank = row.Label.find_first_of(Blanks);
  if (blank != std::string::npos && StatementStartingField(Trimmed(row.Label.substr(blank))) != nullptr) {
    return "a label and a statement on one line: the label is named " + Quoted(row.Label) +
           " and the statement is lost; put the statement on the next line";
  }
  return IgnoredFields(line, 1, "a label line holds the label alone");
}

// An empty operand finds a name all the same: the empty one of every row
// without a label, or of a SET without a name.
std::optional<std::string> EmptyOperand(const TableRow& row, const StatementInfo& statement) {
  const std::string* operands[] = {&row.Arg1, &row.Arg2, &row.Arg3};
  for (int k = 0; k < statement.operands; ++k) {
    if (!operands[k]->empty()) continue;
    const std::string mnemonic(statement.mnemonic);
    if (statement.kind == Statement::GTO || (statement.kind == Statement::SUB && k == 2)) {
      return mnemonic + " has an empty jump target: it jumps to the last row without a label; write ? to go on";
    }
    return "operand " + std::to_string(k + 1) + " of " + mnemonic + " is empty";
  }
  return std::nullopt;
}

// An operand with blanks around it that does not read as a number.
std::optional<std::string> BlankOperand(const TableRow& row) {
  for (const std::string* operand : {&row.Arg1, &row.Arg2, &row.Arg3}) {
    if (operand->empty() || Trimmed(*operand).size() == operand->size() || ReadWholeNumber(*operand)) continue;
    return "blanks around a comma belong to the operand: " + Quoted(*operand) + " is not " + Quoted(Trimmed(*operand));
  }
  return std::nullopt;
}

}  // namespace

std::string ScanFailureReason(std::string_view line, bool last) {
  if (line.empty()) {
    return last ? "empty line: a line break at the end of the file makes an empty last line" : "empty line";
  }
  const std::vector<std::string_view> fields = SplitFields(line);
  if (const StatementInfo* statement = StatementStartingField(fields.front())) {
    const int given = static_cast<int>(fields.size()) - 1;
    if (given < statement->operands) {
      return std::string(statement->mnemonic) + " takes " + Operands(statement->operands) + "; the line has " +
             std::to_string(given);
    }
  }
  return "the table is full: it holds at most " + std::to_string(CmdTable::MaxRows) + " rows";
}

std::optional<std::string> ScanWarning(std::string_view line, const TableRow* row) {
  if (row == nullptr) return line.empty() ? std::nullopt : SkippedLine(line);
  if (row->Cmd == LabelCmd) return LabelLine(line, *row);
  const StatementInfo* statement = ExactStatement(row->Cmd);
  if (statement == nullptr) {
    return Quoted(row->Cmd) + " is no statement and gives no cells; did you mean " +
           std::string(StatementStartingField(row->Cmd)->mnemonic) + "?";
  }
  if (auto ignored = IgnoredFields(line, 1 + statement->operands,
                                   std::string(statement->mnemonic) + " takes " + Operands(statement->operands))) {
    return ignored;
  }
  if (auto empty = EmptyOperand(*row, *statement)) return empty;
  return BlankOperand(*row);
}

}  // namespace zar
