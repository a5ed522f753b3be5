#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zar {

// The eight statements of the assembly language.
enum class Statement { NUL, NXT, SET, POS, GTO, VAL, MOV, SUB };

// What the assembler knows of a statement: its mnemonic, how many operand
// fields the scanner copies after it, and how many machine cells it occupies
// (one data cell, or one instruction of three). How each one becomes bytes is
// the generator's switch over Statement.
struct StatementInfo {
  Statement kind;
  std::string_view mnemonic;
  int operands;
  int cells;
};

inline constexpr std::array<StatementInfo, 8> Statements = {{
    {Statement::NUL, "NUL", 0, 1},
    {Statement::NXT, "NXT", 0, 1},
    {Statement::SET, "SET", 1, 1},
    {Statement::POS, "POS", 1, 1},
    {Statement::GTO, "GTO", 1, 3},
    {Statement::VAL, "VAL", 1, 1},
    {Statement::MOV, "MOV", 2, 3},
    {Statement::SUB, "SUB", 3, 3},
}};

// The entry of a statement; Statements lists them in the order of the enum.
constexpr const StatementInfo& InfoOf(Statement kind) { return Statements[static_cast<std::size_t>(kind)]; }

// Whether the Cmd text is exactly the statement's mnemonic.
constexpr bool IsStatement(std::string_view cmd, Statement kind) { return cmd == InfoOf(kind).mnemonic; }

// The Cmd of a row made from a label line (":name"), until the position pass
// folds it into the row after it.
inline constexpr std::string_view LabelCmd = "LAB";

// The statement whose mnemonic is exactly the text (case-sensitive), or null.
// Only such rows take cells and produce bytes.
constexpr const StatementInfo* ExactStatement(std::string_view text) {
  for (const StatementInfo& s : Statements) {
    if (s.mnemonic == text) return &s;
  }
  return nullptr;
}

// The statement whose mnemonic the field begins with, or null: the scanner
// accepts "NULL" as a NUL line and keeps the whole field as the row's Cmd.
constexpr const StatementInfo* StatementStartingField(std::string_view field) {
  return ExactStatement(field.substr(0, 3));
}

}  // namespace zar
