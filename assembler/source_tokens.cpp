#include "assembler/source_tokens.h"

#include <string>

#include "assembler/cmd_table.h"
#include "assembler/number_text.h"
#include "assembler/scanner.h"
#include "assembler/statements.h"

namespace zar {

namespace {

constexpr std::string_view Blanks = " \t";
constexpr char CommentMark = '#';

int Length(std::string_view text) { return static_cast<int>(text.size()); }

std::vector<SourceToken> WholeLine(std::string_view line, TokenKind kind) { return {{0, Length(line), kind}}; }

TokenKind OperandKind(std::string_view operand) {
  if (operand == "?") return TokenKind::Unknown;
  return ReadWholeNumber(operand) ? TokenKind::Number : TokenKind::Name;
}

// The row's fields lie in the line one after another, each after a comma;
// whatever follows the last one the row took is left over.
class FieldWalker {
 public:
  explicit FieldWalker(std::string_view line) : line_(line) {}

  void First(std::string_view field, TokenKind kind) { Add(0, field, kind); }
  void Next(std::string_view field, TokenKind kind) { Add(end_ + 1, field, kind); }

  std::vector<SourceToken> Finish() {
    if (end_ < Length(line_)) tokens_.push_back({end_, Length(line_) - end_, TokenKind::Error});
    return std::move(tokens_);
  }

 private:
  void Add(int start, std::string_view field, TokenKind kind) {
    if (!field.empty()) tokens_.push_back({start, Length(field), kind});
    end_ = start + Length(field);
  }

  std::string_view line_;
  std::vector<SourceToken> tokens_;
  int end_ = 0;
};

std::vector<SourceToken> RowTokens(std::string_view line, const TableRow& row) {
  FieldWalker walker(line);
  if (row.Cmd == LabelCmd) {
    walker.First(line.substr(0, row.Label.size() + 1), TokenKind::Label);
    return walker.Finish();
  }
  const StatementInfo* statement = ExactStatement(row.Cmd);
  if (statement == nullptr) return WholeLine(line, TokenKind::Error);
  walker.First(row.Cmd, TokenKind::Statement);
  const std::string* operands[] = {&row.Arg1, &row.Arg2, &row.Arg3};
  for (int k = 0; k < statement->operands; ++k) walker.Next(*operands[k], OperandKind(*operands[k]));
  return walker.Finish();
}

}  // namespace

std::vector<SourceToken> LineTokens(std::string_view line) {
  const std::size_t firstVisible = line.find_first_not_of(Blanks);
  if (firstVisible == std::string_view::npos) return {};
  CmdTable scratch;
  if (!ParseLine(line, scratch)) return WholeLine(line, TokenKind::Error);
  if (scratch.CmdCount() == 0) {
    return WholeLine(line, line[firstVisible] == CommentMark ? TokenKind::Comment : TokenKind::Error);
  }
  return RowTokens(line, scratch[0]);
}

}  // namespace zar
