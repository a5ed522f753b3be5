#include "assembler/generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "assembler/assemble.h"
#include "assembler/number_text.h"
#include "recording_host.h"

namespace zar {
namespace {

using test::RecordingAssemblerHost;
using test::Repeat;
using test::Row;
using test::TableOf;
using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

constexpr GenerateFlags Plain{};
constexpr GenerateFlags Debug{.debug = true};
constexpr GenerateFlags Copy{.copy = true};
constexpr GenerateFlags Start{.start = true, .copy = true};

const std::string Failed = "Compile Failed at command: ";
const char* const Example = "MOV,k,191\nSUB,255,k,?\n:halt\nGTO,halt\nSET,k";
const Ints ExampleCells{9, 10, 3, 255, 9, 6, 255, 255, 6, 0, 65};
const char* const ExampleListing =
    "0\t:9\n1\t:10\n2\t:3\n3\t:255\n4\t:9\n5\t:6\n6\t:255\n7\t:255\n8\t:6\n9\t:0\n10\t:65\n";

// All 256 cells: the given ones from address 0 on, zeros behind.
Ints Cells(const Ints& first) {
  Ints cells(256, 0);
  std::copy(first.begin(), first.end(), cells.begin());
  return cells;
}

// A machine and an image that hold leftovers of earlier work.
struct Bench {
  AssemblerState state;
  Machine machine;
  RecordingAssemblerHost host;

  Bench() {
    machine.Memory.fill(0x5A);
    machine.IP = 77;
    state.Image.fill(0xEE);
  }
  bool Assemble(std::string_view source, GenerateFlags flags = Plain) {
    return zar::Assemble(source, state, machine, flags, host);
  }
  bool Generate(const CmdTable& table, GenerateFlags flags = Plain) {
    return GenerateCode(table, state.Image, machine, flags, host);
  }
  Ints Image(int first, int count) const {
    return Ints(state.Image.begin() + first, state.Image.begin() + first + count);
  }
  Ints Memory() const { return Ints(machine.Memory.begin(), machine.Memory.end()); }
};

TEST(GenerateCode, CopyPutsTheWorkedExampleIntoClearedMemory) {
  Bench b;
  ASSERT_TRUE(b.Assemble(Example, Copy));
  EXPECT_EQ(b.Memory(), Cells(ExampleCells));
  EXPECT_EQ(b.machine.IP, 0);
  EXPECT_EQ(b.host.listingText, ExampleListing);
  EXPECT_TRUE(b.host.messages.empty());
  EXPECT_EQ(b.host.stops, 1);
  EXPECT_EQ(b.host.loads, 1);
  EXPECT_EQ(b.host.starts, 0);
}

TEST(GenerateCode, StartAloneAlsoCopiesAndThenStartsTheMachine) {
  for (const GenerateFlags flags : {Start, GenerateFlags{.start = true}}) {
    Bench b;
    ASSERT_TRUE(b.Assemble(Example, flags));
    EXPECT_EQ(b.Memory(), Cells(ExampleCells));
    EXPECT_EQ(b.machine.IP, 0);
    EXPECT_EQ(b.host.stops, 1);
    EXPECT_EQ(b.host.loads, 1);
    EXPECT_EQ(b.host.starts, 1);
  }
}

TEST(GenerateCode, PlainGenerationNeverTouchesTheMachine) {
  Bench b;
  ASSERT_TRUE(b.Assemble(Example));
  EXPECT_EQ(b.Memory(), Ints(256, 0x5A));
  EXPECT_EQ(b.machine.IP, 77);
  EXPECT_EQ(b.host.stops + b.host.loads + b.host.starts, 0);
  Ints image = ExampleCells;
  image.push_back(0xEE);  // cells behind the program keep what was there
  EXPECT_EQ(b.Image(0, 12), image);
  EXPECT_EQ(b.host.listingText, ExampleListing);
}

TEST(GenerateCode, DebugListingPrecedesEachRowWithItsHeader) {
  Bench b;
  ASSERT_TRUE(b.Assemble(Example, Debug));
  EXPECT_EQ(b.host.listingText,
            "----MOV----\n0\t:9\n1\t:10\n2\t:3\n----SUB----\n3\t:255\n4\t:9\n5\t:6\n"
            "----GTO----\n6\t:255\n7\t:255\n8\t:6\n----SET----\n9\t:0\n----VAL----\n10\t:65\n");
  Bench c;
  ASSERT_TRUE(c.Assemble("NUL\nNULL\nNXT", Debug));
  EXPECT_EQ(c.host.listingText, "----NUL----\n0\t:0\n----NULL----\n----NXT----\n1\t:2\n");
}

TEST(GenerateCode, ValListsItsTextWhileSubListsTheNumberRead) {
  Bench b;
  ASSERT_TRUE(b.Assemble("VAL,007\nSUB,007,&HFF,?\nVAL,12abc\nVAL,abc"));
  EXPECT_EQ(b.host.listingText, "0\t:007\n1\t:7\n2\t:255\n3\t:4\n4\t:12abc\n5\t:abc\n");
  EXPECT_EQ(b.Image(0, 6), (Ints{7, 7, 255, 4, 12, 0}));
}

TEST(GenerateCode, BytesGoToTheRunningAddressAndLookupsUsePos) {
  Bench b;
  ASSERT_TRUE(
      b.Generate(TableOf({Row("SUB", "255", "255", "?", "", 40), Row("GTO", "t"), Row("NUL", "", "", "", "t", 9)})));
  EXPECT_EQ(b.Image(0, 8), (Ints{255, 255, 3, 255, 255, 9, 0, 0xEE}));
}

TEST(GenerateCode, EmptyTableWithCopyClearsMemory) {
  Bench b;
  ASSERT_TRUE(b.Generate(CmdTable{}, Copy));
  EXPECT_EQ(b.Memory(), Ints(256, 0));
  EXPECT_EQ(b.machine.IP, 0);
  EXPECT_EQ(b.host.loads, 1);
  EXPECT_EQ(b.host.listingText, "");
}

struct CellsCase {
  std::string source;
  int first;  // address of the first cell checked
  Ints cells;
};

void PrintTo(const CellsCase& c, std::ostream* os) { *os << testing::PrintToString(c.source.substr(0, 60)); }

class GeneratedCells : public testing::TestWithParam<CellsCase> {};

TEST_P(GeneratedCells, HoldTheExpectedBytes) {
  const CellsCase& c = GetParam();
  Bench b;
  ASSERT_TRUE(b.Assemble(c.source)) << testing::PrintToString(b.host.messages);
  EXPECT_TRUE(b.host.messages.empty());
  EXPECT_EQ(b.Image(c.first, static_cast<int>(c.cells.size())), c.cells);
}

INSTANTIATE_TEST_SUITE_P(Operands, GeneratedCells,
                         testing::Values(CellsCase{"SUB,5,x,?\nSET,x", 0, {5, 3, 3, 0}},
                                         CellsCase{"SUB, 5 ,&H0A,l\n:l\nNUL", 0, {5, 10, 3, 0}},
                                         CellsCase{Repeat("NUL", 5) + "NXT", 5, {6}},
                                         CellsCase{Repeat("NUL", 20) + "SUB,255,255,?", 20, {255, 255, 23}},
                                         CellsCase{":a\n:b\nNUL\nGTO,a", 0, {0, 255, 255, 0}},
                                         CellsCase{"NUL\n:m\nMOVE,a,1\nGTO,m", 0, {0, 255, 255, 0}}));

INSTANTIATE_TEST_SUITE_P(LastDeclarationWins, GeneratedCells,
                         testing::Values(CellsCase{"SET,k\nPOS,k\nSET,k", 0, {0, 2, 0}},
                                         CellsCase{":l\nNUL\n:l\nNXT\nGTO,l", 0, {0, 2, 255, 255, 1}},
                                         CellsCase{"MOV,x,56\nSET,x\nVAL, 200", 0, {3, 5, 3, 0, 200, 200}}));

INSTANTIATE_TEST_SUITE_P(EmptyNames, GeneratedCells,
                         testing::Values(CellsCase{"GTO,\nNUL\n:l\nNXT", 0, {255, 255, 3, 0, 5}},
                                         CellsCase{"POS,\nSET,\nNUL", 0, {1, 0, 0}}));

INSTANTIATE_TEST_SUITE_P(
    MovConstants, GeneratedCells,
    testing::Values(CellsCase{"MOV,x,0\nSET,x", 0, {3, 4, 3, 0, 0}}, CellsCase{"MOV,x,5\nSET,x", 0, {3, 4, 3, 0, 251}},
                    CellsCase{"MOV,x,256\nSET,x", 0, {3, 4, 3, 0, 0}},
                    CellsCase{"MOV,x,56\nMOV,y,56\nSET,x\nSET,y", 0, {6, 8, 3, 7, 8, 6, 0, 0, 200}},
                    CellsCase{"MOV,x,y\nSET,x\nVAL,0", 0, {3, 4, 3, 0, 0}}));

INSTANTIATE_TEST_SUITE_P(TopOfMemory, GeneratedCells,
                         testing::Values(CellsCase{Repeat("NUL", 254) + "NXT", 254, {255}},
                                         CellsCase{"SET,v\n" + Repeat("NUL", 251) + "MOV,v,1", 252, {0, 255, 255, 255}},
                                         CellsCase{Repeat("NUL", 253) + ":l\nGTO,l", 253, {255, 255, 253}},
                                         CellsCase{Repeat("NUL", 253) + ":l\nSUB,255,255,l", 253, {255, 255, 253}}));

struct FailureCase {
  std::string source;
  std::string message;  // after "Compile Failed at command: "
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << testing::PrintToString(c.message); }

class GenerationFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(GenerationFailures, ReportTheRowAndLeaveMemoryClearedAndTheListingEmpty) {
  const FailureCase& c = GetParam();
  Bench b;
  EXPECT_FALSE(b.Assemble(c.source, Start));
  EXPECT_EQ(b.host.messages, Strings{Failed + c.message});
  EXPECT_EQ(b.Memory(), Ints(256, 0));
  EXPECT_EQ(b.machine.IP, 77);
  EXPECT_EQ(b.host.listingText, "");
  EXPECT_EQ(b.host.stops, 1);
  EXPECT_EQ(b.host.loads + b.host.starts, 0);
}

INSTANTIATE_TEST_SUITE_P(Names, GenerationFailures,
                         testing::Values(FailureCase{":top\nNUL\nNXT\n:mid\nSET,a\nVAL,1\nGTO,lop", "4 = GTO,lop,,"},
                                         FailureCase{":a\n:b\nNUL\nGTO,b", "1 = GTO,b,,"},
                                         FailureCase{"SUB,255,x,?", "0 = SUB,255,x,?"},
                                         FailureCase{"SUB,255,255,5", "0 = SUB,255,255,5"},
                                         FailureCase{"SET,a\nSET,b\nSUB, a, b, ?", "2 = SUB, a, b, ?"},
                                         FailureCase{"MOV,nobody,5", "0 = MOV,nobody,5,"},
                                         FailureCase{"POS,ghost", "0 = POS,ghost,,"},
                                         FailureCase{"POS,\nNUL", "0 = POS,,,"}));

INSTANTIATE_TEST_SUITE_P(Numbers, GenerationFailures,
                         testing::Values(FailureCase{"NUL\nSUB,300,255,?", "1 = SUB,300,255,?"},
                                         FailureCase{"SUB,-1,255,?", "0 = SUB,-1,255,?"},
                                         FailureCase{"SUB,4294967296,255,?", "0 = SUB,4294967296,255,?"},
                                         FailureCase{"VAL,300", "0 = VAL,300,,"}, FailureCase{"VAL,-1", "0 = VAL,-1,,"},
                                         FailureCase{"VAL,4294967297", "0 = VAL,4294967297,,"},
                                         FailureCase{"VAL,18446744073709551617", "0 = VAL,18446744073709551617,,"},
                                         FailureCase{"SET,x\nMOV,x,18446744073709551617",
                                                     "2 = VAL," + std::to_string(256 - NumberLimit) + ",,"}));

INSTANTIATE_TEST_SUITE_P(MovConstants, GenerationFailures,
                         testing::Values(FailureCase{"MOV,x,y\nSET,x", "0 = MOV,x,y,"},
                                         FailureCase{"SET,x\nMOV,x,5\nVAL,abc", "1 = MOV,x,5,"},
                                         FailureCase{"SET,x\nVAL,7\nVAL,12abc\nMOV,x,249", "3 = MOV,x,249,"}));

INSTANTIATE_TEST_SUITE_P(TopOfMemory, GenerationFailures,
                         testing::Values(FailureCase{Repeat("NUL", 255) + "NXT", "255 = NXT,,,"},
                                         FailureCase{"SET,v\n" + Repeat("NUL", 252) + "MOV,v,1", "253 = MOV,v,1,"},
                                         FailureCase{Repeat("NUL", 253) + "SUB,255,255,?", "253 = SUB,255,255,?"},
                                         FailureCase{Repeat("SUB,255,255,?", 85) + "VAL,77\nVAL,88\nVAL,99",
                                                     "87 = VAL,99,,"}));

TEST(GenerateCode, ByteAt256IsGeneratedButNeverReachesMemory) {
  Bench b;
  ASSERT_TRUE(b.Assemble(Repeat("SUB,255,255,?", 85) + "VAL,77\nVAL,88", Copy));
  EXPECT_TRUE(b.host.messages.empty());
  EXPECT_EQ(b.Image(252, 5), (Ints{255, 255, 255, 77, 88}));
  EXPECT_EQ(b.machine.Memory[255], 77);
  EXPECT_TRUE(b.host.listingText.ends_with("\n255\t:77\n256\t:88\n"));
}

TEST(GenerateCode, FullSizeTableGeneratesCorrectly) {
  std::vector<TableRow> rows{Row("SUB", "v", "w", "end", "", 0), Row("MOV", "v", "5", "", "", 3),
                             Row("GTO", "f100", "", "", "", 6)};
  // Rows of no mnemonic take no cells but carry labels the lookups must pass over.
  while (rows.size() < CmdTable::MaxRows - 4) {
    rows.push_back(Row("REM", "v", "5", "end", "f" + std::to_string(rows.size())));
  }
  for (TableRow row : {Row("SET", "v", "", "", "", 9), Row("SET", "w", "", "", "", 10),
                       Row("NXT", "", "", "", "end", 11), Row("VAL", "251", "", "", "", 12)}) {
    rows.push_back(row);
  }
  CmdTable table;
  table.Replace(rows);
  ASSERT_EQ(table.CmdCount(), CmdTable::MaxRows);
  Bench b;
  ASSERT_TRUE(b.Generate(table, Copy));
  EXPECT_EQ(b.Memory(), Cells({9, 10, 11, 9, 12, 6, 255, 255, 0, 0, 0, 12, 251}));
}

TEST(Assemble, EveryStageRunsAndReportsInOrder) {
  Bench b;
  EXPECT_FALSE(b.Assemble("SET\nGTO,nowhere\n", Copy));
  EXPECT_EQ(b.host.messages,
            (Strings{"Input Processing failed at: SET", "Input Processing failed at: ", Failed + "1 = GTO,nowhere,,"}));
  EXPECT_EQ(b.host.tableShows, 2);
  EXPECT_EQ(b.Memory(), Ints(256, 0));
}

TEST(Assemble, GeneratorRunsOnTheTableAFailedPositionPassLeft) {
  Bench b;
  EXPECT_FALSE(b.Assemble(Repeat("SUB,255,255,?", 10922) + "NUL\nNXT"));
  EXPECT_EQ(b.host.messages, (Strings{"Input Processing failed at: 32767", Failed + "85 = SUB,255,255,?"}));
  EXPECT_EQ(b.host.tableShows, 1);
}

TEST(Assemble, EmptySourceGivesAnEmptyListingAndLeavesMemoryAlone) {
  Bench b;
  EXPECT_TRUE(b.Assemble(""));
  EXPECT_EQ(b.host.messages, Strings{"Input Processing failed at: "});
  EXPECT_EQ(b.host.listingText, "");
  EXPECT_EQ(b.Memory(), Ints(256, 0x5A));
}

}  // namespace
}  // namespace zar
