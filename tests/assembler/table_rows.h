#pragma once

#include <string>
#include <vector>

#include "assembler/cmd_table.h"
#include "assembler/stage_report.h"

namespace zar::test {

using Strings = std::vector<std::string>;

inline const std::string InputFailed = "Input Processing failed at: ";
inline const std::string CompileFailed = "Compile Failed at command: ";
inline const std::string TableHeading = "CMD\tARG 1\tARG 2\tARG 3\tLABEL\tPOS\r";

// The rows as "Cmd|Arg1|Arg2|Arg3|Label|Pos", so whole tables compare in one line.
inline Strings Rows(const CmdTable& table) {
  Strings rows;
  for (const TableRow& r : table.Rows()) {
    rows.push_back(r.Cmd + '|' + r.Arg1 + '|' + r.Arg2 + '|' + r.Arg3 + '|' + r.Label + '|' + std::to_string(r.Pos));
  }
  return rows;
}

// The messages' texts, and their lines.
inline Strings Texts(const std::vector<StageMessage>& messages) {
  Strings texts;
  for (const StageMessage& m : messages) texts.push_back(m.text);
  return texts;
}
inline std::vector<int> Lines(const std::vector<StageMessage>& messages) {
  std::vector<int> lines;
  for (const StageMessage& m : messages) lines.push_back(m.line);
  return lines;
}

// n copies of the line, each ended by a line feed.
inline std::string Repeat(const std::string& line, int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += line + '\n';
  return text;
}

}  // namespace zar::test
