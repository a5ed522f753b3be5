#include "assembler/positions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assembler/scanner.h"
#include "recording_host.h"

namespace zar {
namespace {

using test::Describe;
using test::RecordingAssemblerHost;
using test::Repeat;
using test::Rows;
using test::TableHeading;
using Strings = std::vector<std::string>;

struct Placed {
  CmdTable table;
  RecordingAssemblerHost host;
};

// Scans the source and runs the position pass on the result.
Placed Place(std::string_view source) {
  Placed p;
  ScanSource(source, p.table, p.host);
  AssignPositions(p.table, p.host);
  return p;
}

TEST(AssignPositions, FoldsTheFirstOfSeveralLabelsIntoTheNextRow) {
  const Placed p = Place(":a\n:b\nNUL\nGTO,a");
  EXPECT_EQ(Rows(p.table), (Strings{"NUL||||a|0", "GTO|a||||1"}));
  EXPECT_TRUE(p.host.messages.empty());
}

TEST(AssignPositions, TrailingLabelIsLost) {
  EXPECT_EQ(Rows(Place("NUL\n:end").table), Strings{"NUL|||||0"});
  EXPECT_EQ(Rows(Place(":a\n:b").table), Strings{});
}

TEST(AssignPositions, RowsTakeTheCellsOfTheirMnemonic) {
  EXPECT_EQ(Rows(Place("SET,a\nSUB,a,a,?\nGTO,x\nNXT").table),
            (Strings{"SET|a||||0", "SUB|a|a|?||1", "GTO|x||||4", "NXT|||||7"}));
  const Placed all = Place("NUL\nSET,a\nPOS,a\nVAL,1\nNXT\nGTO,x\nSUB,a,a,?\nMOV,a,b\nNUL");
  std::vector<int> positions;
  for (const TableRow& r : all.table.Rows()) positions.push_back(r.Pos);
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 8, 11, 14}));
}

TEST(AssignPositions, InexactMnemonicKeepsPosZeroAndTakesNoCells) {
  const Placed p = Place("NUL\n:m\nMOVE,a,1\nNXT\nNUL \nSET,x");
  EXPECT_EQ(Rows(p.table), (Strings{"NUL|||||0", "MOVE|a|1||m|0", "NXT|||||1", "NUL |||||0", "SET|x||||2"}));
}

struct ConstantCase {
  const char* operand;   // the MOV's second operand
  const char* constant;  // Arg1 of the appended VAL row; nullptr: none
};

void PrintTo(const ConstantCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.operand)); }

class MovConstants : public testing::TestWithParam<ConstantCase> {};

TEST_P(MovConstants, AppendsTheConstantCellBehindTheProgram) {
  const ConstantCase& c = GetParam();
  const Placed p = Place(std::string("MOV,x,") + c.operand);
  Strings expected{"MOV|x|" + std::string(c.operand) + "|||0"};
  if (c.constant != nullptr) expected.push_back("VAL|" + std::string(c.constant) + "||||3");
  EXPECT_EQ(Rows(p.table), expected);
}

INSTANTIATE_TEST_SUITE_P(Operands, MovConstants,
                         testing::Values(ConstantCase{"56", "200"}, ConstantCase{"0", "0"}, ConstantCase{"256", "0"},
                                         ConstantCase{"300", "-44"}, ConstantCase{"-5", "261"},
                                         ConstantCase{"1", "255"}, ConstantCase{"&H10", "240"},
                                         ConstantCase{" 7 ", "249"}, ConstantCase{"007", "249"},
                                         ConstantCase{"y", nullptr}, ConstantCase{"7a", nullptr},
                                         ConstantCase{"1.5", nullptr}, ConstantCase{"&h10", nullptr},
                                         ConstantCase{"\t7", nullptr}, ConstantCase{"", nullptr}));

TEST(AssignPositions, EachDistinctConstantGetsOneRowInOrderOfFirstNeed) {
  EXPECT_EQ(Rows(Place("MOV,x,56\nMOV,y,56\nSET,x").table),
            (Strings{"MOV|x|56|||0", "MOV|y|56|||3", "SET|x||||6", "VAL|200||||7"}));
  EXPECT_EQ(Rows(Place("MOV,x,1\nMOV,y,2\nMOV,z,1\nMOV,z,257").table),
            (Strings{"MOV|x|1|||0", "MOV|y|2|||3", "MOV|z|1|||6", "MOV|z|257|||9", "VAL|255||||12", "VAL|254||||13",
                     "VAL|-1||||14"}));
}

TEST(AssignPositions, SourceValOfTheSameTextIsReusedWhereverItStands) {
  EXPECT_EQ(Rows(Place("MOV,x,56\nSET,x\nVAL,200").table), (Strings{"MOV|x|56|||0", "SET|x||||3", "VAL|200||||4"}));
  EXPECT_EQ(Rows(Place("VAL,200\nMOV,x,56").table), (Strings{"VAL|200||||0", "MOV|x|56|||1"}));
}

TEST(AssignPositions, OnlyAnExactValTextIsReused) {
  EXPECT_EQ(Rows(Place("MOV,x,56\nVAL, 200").table), (Strings{"MOV|x|56|||0", "VAL| 200||||3", "VAL|200||||4"}));
  EXPECT_EQ(Rows(Place("MOV,x,56\nVALUE,200").table), (Strings{"MOV|x|56|||0", "VALUE|200||||0", "VAL|200||||3"}));
  EXPECT_EQ(Rows(Place("MOV,x,56\nVAL,&HC8").table), (Strings{"MOV|x|56|||0", "VAL|&HC8||||3", "VAL|200||||4"}));
}

TEST(AssignPositions, ShowsTheTableWithTabsAndCarriageReturns) {
  const Placed p = Place(":start\nNUL\nGTO,start");
  EXPECT_EQ(p.host.tableShows, 2);
  EXPECT_EQ(p.host.tableText, std::string(TableHeading) + "NUL\t\t\t\tstart\t0\rGTO\tstart\t\t\t\t1\r");
}

TEST(AssignPositions, EmptyTableShowsOnlyTheHeading) {
  CmdTable table;
  RecordingAssemblerHost host;
  AssignPositions(table, host);
  EXPECT_EQ(table.CmdCount(), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.tableText, TableHeading);
}

// 10,922 instructions fill addresses 0..32,765.
const std::string FullAddressRange = Repeat("SUB,a,a,?", 10922);

TEST(AssignPositions, LastAddressOfTheCounterRangeStillFits) {
  const Placed p = Place(FullAddressRange + "NUL");
  EXPECT_TRUE(p.host.messages.empty());
  EXPECT_EQ(Describe(p.table[p.table.CmdCount() - 1]), "NUL|||||32766");
  EXPECT_EQ(p.host.tableShows, 2);
}

TEST(AssignPositions, AddressesBeyondTheCounterRangeEndThePass) {
  const Placed p = Place(FullAddressRange + "NUL\nNXT\nSET,late");
  EXPECT_EQ(p.host.messages, Strings{"Input Processing failed at: 32767"});
  EXPECT_EQ(Describe(p.table[p.table.CmdCount() - 1]), "SET|late||||0");
  EXPECT_EQ(p.host.tableShows, 1);  // only the scan's table was shown
  EXPECT_EQ(p.host.tableText.find("\t32766\r"), std::string::npos);
}

TEST(AssignPositions, ConstantRowBeyondTheRowLimitEndsThePass) {
  // Inexact mnemonics take no cells, so only the row count overflows.
  const Placed p = Place(Repeat("NULL", CmdTable::MaxRows - 2) + "MOV,x,5\nNXT");
  ASSERT_EQ(p.table.CmdCount(), CmdTable::MaxRows);
  EXPECT_EQ(p.host.messages, Strings{"Input Processing failed at: 3"});
  EXPECT_EQ(Describe(p.table[CmdTable::MaxRows - 2]), "MOV|x|5|||0");
  EXPECT_EQ(Describe(p.table[CmdTable::MaxRows - 1]), "NXT|||||0");
  EXPECT_EQ(p.host.tableShows, 1);
}

}  // namespace
}  // namespace zar
