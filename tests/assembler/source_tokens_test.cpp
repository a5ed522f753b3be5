#include "assembler/source_tokens.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace zar {

void PrintTo(const SourceToken& t, std::ostream* os) {
  *os << "(" << t.start << "," << t.length << "," << static_cast<int>(t.kind) << ")";
}

namespace {

using Tokens = std::vector<SourceToken>;
constexpr TokenKind S = TokenKind::Statement, L = TokenKind::Label, N = TokenKind::Number, U = TokenKind::Unknown,
                    V = TokenKind::Name, E = TokenKind::Error, C = TokenKind::Comment;

TEST(LineTokens, ClassifiesFieldsAsTheScannerReadsThem) {
  const std::pair<std::string, Tokens> cases[] = {
      {"SUB,a,-1,?", {{0, 3, S}, {4, 1, V}, {6, 2, N}, {9, 1, U}}},
      {"MOV, x, &HFF ", {{0, 3, S}, {4, 2, V}, {7, 6, N}}},
      {"VAL,&h10", {{0, 3, S}, {4, 4, V}}},  // no number: "&H" only in capitals
      {"GTO,end,later", {{0, 3, S}, {4, 3, V}, {7, 6, E}}},
      {"NXT,", {{0, 3, S}, {3, 1, E}}},
      {"SET,", {{0, 3, S}}},
      {":loop", {{0, 5, L}}},
      {":start,NUL", {{0, 6, L}, {6, 4, E}}},
      {"# a note", {{0, 8, C}}},
      {"  # indented", {{0, 12, C}}},
      {"", {}},
      {" \t ", {}},
      // Rejected: operands missing.
      {"MOV,x", {{0, 5, E}}},
      // Passed over: not a mnemonic as the scanner matches it.
      {"sub,a,b,?", {{0, 9, E}}},
      {"ADD,a,b", {{0, 7, E}}},
      {" NUL", {{0, 4, E}}},
      // Rows whose first field only begins with a mnemonic take no cells.
      {"MOVE,a,1", {{0, 8, E}}},
      {"NUL note", {{0, 8, E}}},
  };
  for (const auto& [line, tokens] : cases) EXPECT_EQ(LineTokens(line), tokens) << "'" << line << "'";
}

}  // namespace
}  // namespace zar
