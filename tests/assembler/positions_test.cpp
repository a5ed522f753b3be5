#include "assembler/positions.h"

#include <gtest/gtest.h>

#include "assembler/scanner.h"
#include "table_rows.h"

namespace zar {
namespace {

using namespace test;

// Scans the source and runs the position pass on the result.
StageReport Place(const std::string& source, CmdTable& table) {
  (void)ScanSource(source, table);
  return AssignPositions(table);
}

TEST(AssignPositions, FoldsLabelsPlacesRowsAndAppendsMovConstants) {
  const std::pair<const char*, Strings> cases[] = {
      {":a\n:b\nNUL\nGTO,a", {"NUL||||a|0", "GTO|a||||1"}},  // the first of several labels wins
      {"NUL\n:end", {"NUL|||||0"}},                          // a trailing label is lost
      {":a\n:b", {}},
      {"NUL\nSET,a\nPOS,a\nVAL,1\nNXT\nGTO,x\nSUB,a,a,?\nMOV,a,0\nNUL",
       {"NUL|||||0", "SET|a||||1", "POS|a||||2", "VAL|1||||3", "NXT|||||4", "GTO|x||||5", "SUB|a|a|?||8",
        "MOV|a|0|||11", "NUL|||||14", "VAL|0||||15"}},
      // Inexact mnemonics keep Pos 0 and take no cells.
      {"NUL\n:m\nMOVE,a,1\nNXT\nNUL \nSET,x", {"NUL|||||0", "MOVE|a|1||m|0", "NXT|||||1", "NUL |||||0", "SET|x||||2"}},
      // One VAL row of 256 - n per distinct constant text, in order of first need; 0 and 256 share "0".
      {"MOV,a,56\nMOV,b,0\nMOV,c,256\nMOV,d,300\nMOV,e,-5\nMOV,f,&H10\nMOV,g, 7 \nMOV,h,007\nMOV,i,56",
       {"MOV|a|56|||0", "MOV|b|0|||3", "MOV|c|256|||6", "MOV|d|300|||9", "MOV|e|-5|||12", "MOV|f|&H10|||15",
        "MOV|g| 7 |||18", "MOV|h|007|||21", "MOV|i|56|||24", "VAL|200||||27", "VAL|0||||28", "VAL|-44||||29",
        "VAL|261||||30", "VAL|240||||31", "VAL|249||||32"}},
      {"MOV,a,y\nMOV,b,7a\nMOV,c,1.5\nMOV,d,&h10\nMOV,e,\t7\nMOV,f,",
       {"MOV|a|y|||0", "MOV|b|7a|||3", "MOV|c|1.5|||6", "MOV|d|&h10|||9", "MOV|e|\t7|||12", "MOV|f||||15"}},
      // A VAL of exactly the constant's text supplies it wherever it stands.
      {"MOV,x,56\nSET,x\nVAL,200", {"MOV|x|56|||0", "SET|x||||3", "VAL|200||||4"}},
      {"VAL,200\nMOV,x,56", {"VAL|200||||0", "MOV|x|56|||1"}},
      {"MOV,x,56\nVAL, 200\nVALUE,200\nVAL,&HC8",
       {"MOV|x|56|||0", "VAL| 200||||3", "VALUE|200||||0", "VAL|&HC8||||4", "VAL|200||||5"}},
  };
  for (const auto& [source, rows] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(source)));
    CmdTable table;
    const StageReport report = Place(source, table);
    EXPECT_EQ(Rows(table), rows);
    EXPECT_EQ(Texts(report.messages), Strings{});
    EXPECT_EQ(report.shown, ShowTable(table));
  }
  CmdTable table;
  EXPECT_EQ(Place(":start\nNUL\nGTO,start", table).shown, TableHeading + "NUL\t\t\t\tstart\t0\rGTO\tstart\t\t\t\t1\r");
}

TEST(AssignPositions, AnOverflowIsReportedWithTheCounterAndEndsThePass) {
  const std::string fullRange = Repeat("SUB,a,a,?", 10922);  // addresses 0..32,765
  const std::tuple<std::string, Strings, std::string> cases[] = {
      // the source, its messages, the last row
      {fullRange + "NUL", {}, "NUL|||||32766"},
      {fullRange + "NUL\nNXT\nSET,late", {InputFailed + "32767"}, "SET|late||||0"},
      // Inexact mnemonics take no cells: only the row count overflows, on the constant's row.
      {Repeat("NULL", CmdTable::MaxRows - 2) + "MOV,x,5\nNXT", {InputFailed + "3"}, "NXT|||||0"},
  };
  for (const auto& [source, messages, last] : cases) {
    SCOPED_TRACE(last);
    CmdTable table;
    const StageReport report = Place(source, table);
    EXPECT_EQ(Texts(report.messages), messages);
    EXPECT_EQ(report.shown.has_value(), messages.empty());
    EXPECT_EQ(Rows(table).back(), last);
  }
}

}  // namespace
}  // namespace zar
