#include "assembler/scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_host.h"

namespace zar {
namespace {

using test::Describe;
using test::RecordingAssemblerHost;
using test::Repeat;
using test::Row;
using test::Rows;
using test::TableHeading;
using Strings = std::vector<std::string>;

const std::string Failed = "Input Processing failed at: ";

struct LineCase {
  const char* line;
  const char* row;  // "Cmd|Arg1|Arg2|Arg3|Label|Pos" of the appended row; nullptr: none
  bool fails;       // whether the line is reported
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.line)); }

class ParseLineCases : public testing::TestWithParam<LineCase> {};

TEST_P(ParseLineCases, AppendsAtMostOneRowAndReportsShortLines) {
  const LineCase& c = GetParam();
  CmdTable table = test::TableOf({Row("NUL")});
  RecordingAssemblerHost host;
  ParseLine(c.line, table, host);
  Strings expected{"NUL|||||0"};
  if (c.row != nullptr) expected.emplace_back(c.row);
  EXPECT_EQ(Rows(table), expected);
  EXPECT_EQ(host.messages, c.fails ? Strings{Failed + c.line} : Strings{});
  EXPECT_EQ(host.tableShows, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, ParseLineCases,
    testing::Values(LineCase{":loop", "LAB||||loop|0", false}, LineCase{"SUB,a,b,loop", "SUB|a|b|loop||0", false},
                    LineCase{"MOV,x,56", "MOV|x|56|||0", false}, LineCase{"SET,x", "SET|x||||0", false},
                    LineCase{"GTO,loop", "GTO|loop||||0", false}, LineCase{"POS,p", "POS|p||||0", false},
                    LineCase{"VAL,007", "VAL|007||||0", false}, LineCase{"NXT", "NXT|||||0", false},
                    LineCase{"NUL", "NUL|||||0", false}, LineCase{"MOV, x, 56", "MOV| x| 56|||0", false},
                    LineCase{":start,NUL", "LAB||||start|0", false}, LineCase{":", "LAB|||||0", false},
                    LineCase{"SUB,a,b,c,d", "SUB|a|b|c||0", false}, LineCase{"NXT,note", "NXT|||||0", false},
                    LineCase{"NUL note", "NUL note|||||0", false}, LineCase{"MOVE,a,1", "MOVE|a|1|||0", false},
                    LineCase{"NUL\t", "NUL\t|||||0", false}, LineCase{"SET,\tx y", "SET|\tx y||||0", false},
                    LineCase{"SET,", "SET|||||0", false}, LineCase{"SUB,,,", "SUB|||||0", false},
                    LineCase{"GTO,a:b", "GTO|a:b||||0", false}));

INSTANTIATE_TEST_SUITE_P(Skipped, ParseLineCases,
                         testing::Values(LineCase{"# a comment", nullptr, false}, LineCase{"mov,x,5", nullptr, false},
                                         LineCase{"sub,a,b,?", nullptr, false}, LineCase{"   ", nullptr, false},
                                         LineCase{" NUL", nullptr, false}, LineCase{"\tNUL", nullptr, false},
                                         LineCase{"ADD,a,b", nullptr, false}, LineCase{",", nullptr, false},
                                         LineCase{"NU", nullptr, false}, LineCase{"#:x", nullptr, false}));

INSTANTIATE_TEST_SUITE_P(ShortLines, ParseLineCases,
                         testing::Values(LineCase{"", nullptr, true}, LineCase{"MOV,x", "MOV|x||||0", true},
                                         LineCase{"MOV", "MOV|||||0", true}, LineCase{"SUB,a,b", "SUB|a|b|||0", true},
                                         LineCase{"SET", "SET|||||0", true}, LineCase{"GTO", "GTO|||||0", true},
                                         LineCase{"VAL 5", "VAL 5|||||0", true}, LineCase{"POSX", "POSX|||||0", true}));

struct Scan {
  CmdTable table;
  RecordingAssemblerHost host;
};

Scan ScanText(std::string_view text) {
  Scan s;
  ScanSource(text, s.table, s.host);
  return s;
}

TEST(ScanSource, CrLfAndLfTextsGiveTheSameRows) {
  const Strings expected{"NUL|||||0", "NXT|||||0", "SUB|a|b|?||0"};
  for (const char* text : {"NUL\r\nNXT\r\nSUB,a,b,?", "NUL\nNXT\nSUB,a,b,?", "NUL\r\nNXT\nSUB,a,b,?"}) {
    const Scan s = ScanText(text);
    EXPECT_EQ(Rows(s.table), expected) << text;
    EXPECT_TRUE(s.host.messages.empty()) << text;
    EXPECT_EQ(s.host.tableShows, 1);
    EXPECT_EQ(s.host.tableText, std::string(TableHeading) + "NUL\t\t\t\t\t0\rNXT\t\t\t\t\t0\rSUB\ta\tb\t?\t\t0\r");
  }
}

TEST(ScanSource, FinalLineBreakReportsOneEmptyLine) {
  for (const char* text : {"NUL\r\nNXT\r\n", "NUL\nNXT\n"}) {
    const Scan s = ScanText(text);
    EXPECT_EQ(Rows(s.table), (Strings{"NUL|||||0", "NXT|||||0"})) << text;
    EXPECT_EQ(s.host.messages, Strings{Failed}) << text;
  }
}

TEST(ScanSource, EmptyTextShowsOnlyTheHeading) {
  const Scan s = ScanText("");
  EXPECT_EQ(s.table.CmdCount(), 0);
  EXPECT_EQ(s.host.messages, Strings{Failed});
  EXPECT_EQ(s.host.tableShows, 1);
  EXPECT_EQ(s.host.tableText, TableHeading);
}

TEST(ScanSource, EveryEmptyLineIsReportedButBlankLinesAreNot) {
  EXPECT_EQ(ScanText("NUL\r\n\r\nNXT").host.messages, Strings{Failed});
  EXPECT_EQ(ScanText("\nNUL").host.messages, Strings{Failed});
  EXPECT_EQ(ScanText("\n\n").host.messages, (Strings{Failed, Failed, Failed}));
  const Scan blank = ScanText("NUL\r\n   \r\nNXT");
  EXPECT_TRUE(blank.host.messages.empty());
  EXPECT_EQ(blank.table.CmdCount(), 2);
}

TEST(ScanSource, ReportsEachFailedLineInOrderAndKeepsScanning) {
  const Scan s = ScanText("SET\nMOV,x\n\n:l\nSUB,a,b\nNXT");
  EXPECT_EQ(s.host.messages, (Strings{Failed + "SET", Failed + "MOV,x", Failed, Failed + "SUB,a,b"}));
  EXPECT_EQ(Rows(s.table), (Strings{"SET|||||0", "MOV|x||||0", "LAB||||l|0", "SUB|a|b|||0", "NXT|||||0"}));
}

TEST(ScanSource, OnlyTheCarriageReturnBeforeALineFeedIsDropped) {
  EXPECT_EQ(Rows(ScanText("NUL\rNXT").table), Strings{"NUL\rNXT|||||0"});
  EXPECT_EQ(Rows(ScanText("NUL\r\r\nNXT").table), (Strings{"NUL\r|||||0", "NXT|||||0"}));
  EXPECT_EQ(Rows(ScanText("SET,x\r").table), Strings{"SET|x\r||||0"});
}

TEST(ScanSource, StartsFromAnEmptyTable) {
  Scan s;
  s.table = test::TableOf({Row("NUL"), Row("SET", "old")});
  ScanSource("NXT", s.table, s.host);
  EXPECT_EQ(Rows(s.table), Strings{"NXT|||||0"});
}

TEST(ScanSource, RowBeyondTheLimitIsReportedAndTheScanGoesOn) {
  const Scan s = ScanText(Repeat("NUL", CmdTable::MaxRows) + "NXT,last\n:lab\n# end");
  EXPECT_EQ(s.table.CmdCount(), CmdTable::MaxRows);
  EXPECT_EQ(Describe(s.table[CmdTable::MaxRows - 1]), "NUL|||||0");
  EXPECT_EQ(s.host.messages, (Strings{Failed + "NXT,last", Failed + ":lab"}));
  EXPECT_EQ(s.host.tableShows, 1);
}

}  // namespace
}  // namespace zar
