#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assembler_host.h"
#include "assembler/cmd_table.h"

namespace zar::test {

// Keeps every message and the last texts of the two windows, and counts the
// run-control calls.
class RecordingAssemblerHost : public AssemblerHost {
 public:
  void Message(std::string_view text) override { messages.emplace_back(text); }
  void ShowTableText(std::string_view text) override {
    tableText = text;
    ++tableShows;
  }
  void ShowListingText(std::string_view text) override {
    listingText = text;
    ++listingShows;
  }
  void StopMachine() override { ++stops; }
  void MachineLoaded() override { ++loads; }
  void StartMachine() override { ++starts; }

  std::vector<std::string> messages;
  std::string tableText;
  std::string listingText;
  int tableShows = 0;
  int listingShows = 0;
  int stops = 0;
  int loads = 0;
  int starts = 0;
};

inline constexpr const char* TableHeading = "CMD\tARG 1\tARG 2\tARG 3\tLABEL\tPOS\r";

inline TableRow Row(std::string cmd, std::string arg1 = "", std::string arg2 = "", std::string arg3 = "",
                    std::string label = "", int pos = 0) {
  TableRow row;
  row.Cmd = std::move(cmd);
  row.Arg1 = std::move(arg1);
  row.Arg2 = std::move(arg2);
  row.Arg3 = std::move(arg3);
  row.Label = std::move(label);
  row.Pos = static_cast<std::int16_t>(pos);
  return row;
}

inline CmdTable TableOf(std::initializer_list<TableRow> rows) {
  CmdTable table;
  table.Replace(std::vector<TableRow>(rows));
  return table;
}

// A row as "Cmd|Arg1|Arg2|Arg3|Label|Pos", so whole tables compare in one line.
inline std::string Describe(const TableRow& r) {
  return r.Cmd + '|' + r.Arg1 + '|' + r.Arg2 + '|' + r.Arg3 + '|' + r.Label + '|' + std::to_string(r.Pos);
}

inline std::vector<std::string> Rows(const CmdTable& table) {
  std::vector<std::string> rows;
  for (const TableRow& r : table.Rows()) rows.push_back(Describe(r));
  return rows;
}

// n copies of the line, each ended by a line feed.
inline std::string Repeat(std::string_view line, int n) {
  std::string text;
  for (int i = 0; i < n; ++i) (text += line) += '\n';
  return text;
}

}  // namespace zar::test
