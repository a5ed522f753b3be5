#pragma once

#include <string_view>
#include <vector>

namespace zar {

// What a stretch of a source line is to the assembler, for showing it.
enum class TokenKind {
  Statement,  // one of the eight mnemonics, exactly as written
  Label,      // a label line's ":name"
  Number,     // an operand that reads wholly as a number
  Unknown,    // the "?" operand: the next instruction
  Name,       // any other operand: a variable or a label
  Error,      // what the assembler rejects or passes over without a word
  Comment,    // a line the scanner passes over that starts with '#'
};

// A stretch of bytes of the line.
struct SourceToken {
  int start;
  int length;
  TokenKind kind;

  friend bool operator==(const SourceToken&, const SourceToken&) = default;
};

// The tokens of one source line (code-page-1252 bytes, without its line
// break), in order, read by the scanner itself. A line the scanner rejects,
// or passes over without being a comment, is one Error token; so is a row
// whose first field only begins with a mnemonic ("MOVE", "NUL note"), which
// takes no cells. Fields beyond those the statement takes are one Error
// token from the comma before them. Blank lines have no tokens.
std::vector<SourceToken> LineTokens(std::string_view line);

}  // namespace zar
