#include "assembler/scanner.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "assembler/number_text.h"
#include "table_rows.h"

namespace zar {
namespace {

using namespace test;

TEST(NumberText, ReadsWholeAndLeadingNumbers) {
  const std::string nines(1000, '9');
  // The text, what it reads as wholly (nothing: no number), and as a leading number.
  // clang-format off
  const std::tuple<std::string, std::optional<NumberValue>, NumberValue> cases[] = {
      {"0", 0, 0}, {"42", 42, 42}, {"007", 7, 7}, {"-1", -1, -1}, {"+5", 5, 5}, {"-0", 0, 0}, {"  12  ", 12, 12},
      {" -3", -3, -3}, {"0000000000000000000000000005", 5, 5}, {"4294967297", 4294967297, 4294967297},
      {"&HFF", 255, 255}, {"&Hff", 255, 255}, {" &H10 ", 16, 16}, {"&H100000001", 4294967297, 4294967297},
      {"", {}, 0}, {"   ", {}, 0}, {"abc", {}, 0}, {"12abc", {}, 12}, {"1 2", {}, 1}, {"- 5", {}, 0},
      {"+-5", {}, 0}, {"5-", {}, 5}, {"?", {}, 0}, {"0x10", {}, 0}, {"\t5", {}, 0}, {"5\t", {}, 5},
      {"1.5", {}, 1}, {"-1.9", {}, -1}, {".5", {}, 0}, {"1e3", {}, 1}, {"-3 apples", {}, -3}, {"&h10", {}, 0},
      {"&H", {}, 0}, {"&H 1", {}, 0}, {"+&H1", {}, 0}, {"-&H1", {}, 0}, {"&H1G", {}, 1}, {"&H-1", {}, 0},
      // Beyond any cell's range values saturate instead of wrapping back into it.
      {nines, NumberLimit, NumberLimit}, {"18446744073709551617", NumberLimit, NumberLimit},
      {"&HFFFFFFFFFFFFFFFFFFFFFFFF", NumberLimit, NumberLimit}, {"-" + nines, -NumberLimit, -NumberLimit},
      {"-18446744073709551615abc", {}, -NumberLimit}, {"&H10000000000000001zz", {}, NumberLimit}};
  // clang-format on
  for (const auto& [text, whole, leading] : cases) {
    EXPECT_EQ(ReadWholeNumber(text), whole) << "'" << text.substr(0, 30) << "'";
    EXPECT_EQ(ReadLeadingNumber(text), leading) << "'" << text.substr(0, 30) << "'";
  }
}

TEST(ParseLine, AppendsAtMostOneRowAndFailsOnShortLines) {
  // The line, the row it appends (if any) and whether it parsed.
  // clang-format off
  const std::tuple<const char*, const char*, bool> cases[] = {
      {":loop", "LAB||||loop|0", true}, {"SUB,a,b,loop", "SUB|a|b|loop||0", true}, {"MOV,x,56", "MOV|x|56|||0", true},
      {"SET,x", "SET|x||||0", true}, {"GTO,l", "GTO|l||||0", true}, {"POS,p", "POS|p||||0", true},
      {"VAL,007", "VAL|007||||0", true}, {"NXT", "NXT|||||0", true}, {"MOV, x, 56", "MOV| x| 56|||0", true},
      {":start,NUL", "LAB||||start|0", true}, {"SUB,a,b,c,d", "SUB|a|b|c||0", true}, {"NXT,note", "NXT|||||0", true},
      {"NUL note", "NUL note|||||0", true}, {"MOVE,a,1", "MOVE|a|1|||0", true}, {"SET,", "SET|||||0", true},
      {"# comment", nullptr, true}, {"mov,x,5", nullptr, true}, {" NUL", nullptr, true}, {"ADD,a,b", nullptr, true},
      {",", nullptr, true}, {"NU", nullptr, true}, {"   ", nullptr, true}, {"", nullptr, false},
      {"MOV,x", "MOV|x||||0", false}, {"SUB,a,b", "SUB|a|b|||0", false}, {"GTO", "GTO|||||0", false},
      {"VAL 5", "VAL 5|||||0", false}};
  // clang-format on
  for (const auto& [line, row, parsed] : cases) {
    CmdTable table;
    table.Append()->Cmd = "NUL";
    EXPECT_EQ(ParseLine(line, table), parsed) << line;
    EXPECT_EQ(Rows(table), row ? Strings({"NUL|||||0", row}) : Strings({"NUL|||||0"})) << line;
  }
  CmdTable full;
  full.Replace(std::vector<TableRow>(CmdTable::MaxRows));
  EXPECT_FALSE(ParseLine("NXT", full));
  EXPECT_FALSE(ParseLine(":label", full));
  EXPECT_TRUE(ParseLine("# no row needed", full));
}

TEST(ScanSource, ParsesEveryLineIntoAFreshTableAndReportsFailedLinesInOrder) {
  const Strings two{"NUL|||||0", "NXT|||||0"}, three{"NUL|||||0", "NXT|||||0", "SUB|a|b|?||0"};
  // The text, the rows and the messages.
  // clang-format off
  const std::tuple<const char*, Strings, Strings> cases[] = {
      {"NUL\r\nNXT\r\nSUB,a,b,?", three, {}}, {"NUL\nNXT\nSUB,a,b,?", three, {}}, {"NUL\r\nNXT\nSUB,a,b,?", three, {}},
      {"NUL\r\nNXT\r\n", two, {InputFailed}},  // the empty line after the last break
      {"", {}, {InputFailed}}, {"NUL\r\n\r\nNXT", two, {InputFailed}}, {"\n\n", {}, Strings(3, InputFailed)},
      {"NUL\r\n   \r\nNXT", two, {}},  // a blank line is no empty line
      {"SET\nMOV,x\n\n:l\nSUB,a,b\nNXT", {"SET|||||0", "MOV|x||||0", "LAB||||l|0", "SUB|a|b|||0", "NXT|||||0"},
       {InputFailed + "SET", InputFailed + "MOV,x", InputFailed, InputFailed + "SUB,a,b"}},
      // Only a carriage return right before a line feed belongs to the line break.
      {"NUL\rNXT", {"NUL\rNXT|||||0"}, {}}, {"NUL\r\r\nNXT", {"NUL\r|||||0", "NXT|||||0"}, {}},
      {"SET,x\r", {"SET|x\r||||0"}, {}}};
  // clang-format on
  for (const auto& [text, rows, messages] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    CmdTable table;
    table.Append()->Cmd = "OLD";
    const StageReport report = ScanSource(text, table);
    EXPECT_EQ(Rows(table), rows);
    EXPECT_EQ(Texts(report.messages), messages);
    EXPECT_EQ(report.shown, ShowTable(table));
  }
  CmdTable table;
  const StageReport full = ScanSource(Repeat("NUL", CmdTable::MaxRows) + "NXT,last\n:lab\n# end", table);
  EXPECT_EQ(table.CmdCount(), CmdTable::MaxRows);
  EXPECT_EQ(table[CmdTable::MaxRows - 1].Cmd, "NUL");
  EXPECT_EQ(Texts(full.messages), (Strings{InputFailed + "NXT,last", InputFailed + ":lab"}));  // and the scan goes on
}

}  // namespace
}  // namespace zar
