#include "assembler/generator.h"

#include <gtest/gtest.h>

#include "assembler/assemble.h"
#include "assembler/number_text.h"
#include "table_rows.h"

namespace zar {
namespace {

using namespace test;
using Ints = std::vector<int>;

constexpr GenerateOptions Copy{GenerateMode::Copy, false};

// The worked example: print 'A' (0 - 191), then loop on a jump to itself.
const char* const Example = "MOV,k,191\nSUB,255,k,?\n:halt\nGTO,halt\nSET,k";

// Assembles into an image that holds leftovers of earlier work.
struct Assembled {
  explicit Assembled(std::string_view source, GenerateOptions options = {}) {
    state.Image.fill(0xEE);
    assembly = Assemble(source, state, options);
  }
  Ints Image(int first, int count) const { return Ints(&state.Image[first], &state.Image[first] + count); }
  AssemblerState state;
  Assembly assembly;
};

TEST(GenerateCode, PutsTheBytesOfEachStatementAtItsAddress) {
  // The source, and its cells from address `first` on.
  // clang-format off
  const std::tuple<std::string, int, Ints> cases[] = {
      {"SUB,5,x,?\nSET,x", 0, {5, 3, 3, 0}}, {"SUB, 5 ,&H0A,l\n:l\nNUL", 0, {5, 10, 3, 0}},
      {Repeat("NUL", 5) + "NXT", 5, {6}}, {Repeat("NUL", 20) + "SUB,255,255,?", 20, {255, 255, 23}},
      {":a\n:b\nNUL\nGTO,a", 0, {0, 255, 255, 0}}, {"NUL\n:m\nMOVE,a,1\nGTO,m", 0, {0, 255, 255, 0}},
      // Of several declarations of a name the last one wins.
      {"SET,k\nPOS,k\nSET,k", 0, {0, 2, 0}}, {":l\nNUL\n:l\nNXT\nGTO,l", 0, {0, 2, 255, 255, 1}},
      {"MOV,x,56\nSET,x\nVAL, 200", 0, {3, 5, 3, 0, 200, 200}},
      {"GTO,\nNUL\n:l\nNXT", 0, {255, 255, 3, 0, 5}}, {"POS,\nSET,\nNUL", 0, {1, 0, 0}},
      {"MOV,x,0\nSET,x", 0, {3, 4, 3, 0, 0}}, {"MOV,x,5\nSET,x", 0, {3, 4, 3, 0, 251}},
      {"MOV,x,256\nSET,x", 0, {3, 4, 3, 0, 0}}, {"MOV,x,y\nSET,x\nVAL,0", 0, {3, 4, 3, 0, 0}},
      {"MOV,x,56\nMOV,y,56\nSET,x\nSET,y", 0, {6, 8, 3, 7, 8, 6, 0, 0, 200}},
      {Repeat("NUL", 254) + "NXT", 254, {255}}, {"SET,v\n" + Repeat("NUL", 251) + "MOV,v,1", 252, {0, 255, 255, 255}},
      {Repeat("NUL", 253) + ":l\nGTO,l", 253, {255, 255, 253}},
      {Repeat("NUL", 253) + ":l\nSUB,255,255,l", 253, {255, 255, 253}}};
  // clang-format on
  for (const auto& [source, first, cells] : cases) {
    SCOPED_TRACE(testing::PrintToString(source.substr(0, 60)));
    const Assembled run(source);
    EXPECT_EQ(Texts(run.assembly.messages), Strings{});
    EXPECT_TRUE(run.assembly.generated);
    EXPECT_EQ(run.Image(first, static_cast<int>(cells.size())), cells);
  }
}

TEST(GenerateCode, ReportsTheFirstRowThatCannotBeGeneratedAndListsNothing) {
  // The source, and the message after "Compile Failed at command: ".
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {":top\nNUL\nNXT\n:mid\nSET,a\nVAL,1\nGTO,lop", "4 = GTO,lop,,"}, {":a\n:b\nNUL\nGTO,b", "1 = GTO,b,,"},
      {"SUB,255,x,?", "0 = SUB,255,x,?"}, {"SUB,255,255,5", "0 = SUB,255,255,5"},
      {"SET,a\nSET,b\nSUB, a, b, ?", "2 = SUB, a, b, ?"}, {"MOV,nobody,5", "0 = MOV,nobody,5,"},
      {"POS,ghost", "0 = POS,ghost,,"}, {"POS,\nNUL", "0 = POS,,,"},
      {"NUL\nSUB,300,255,?", "1 = SUB,300,255,?"}, {"SUB,-1,255,?", "0 = SUB,-1,255,?"},
      {"SUB,4294967296,255,?", "0 = SUB,4294967296,255,?"}, {"VAL,300", "0 = VAL,300,,"}, {"VAL,-1", "0 = VAL,-1,,"},
      {"VAL,4294967297", "0 = VAL,4294967297,,"}, {"VAL,18446744073709551617", "0 = VAL,18446744073709551617,,"},
      {"SET,x\nMOV,x,18446744073709551617", "2 = VAL," + std::to_string(256 - NumberLimit) + ",,"},
      // A constant is found only while every VAL holds a number.
      {"MOV,x,y\nSET,x", "0 = MOV,x,y,"}, {"SET,x\nMOV,x,5\nVAL,abc", "1 = MOV,x,5,"},
      {"SET,x\nVAL,7\nVAL,12abc\nMOV,x,249", "3 = MOV,x,249,"},
      {Repeat("NUL", 255) + "NXT", "255 = NXT,,,"}, {"SET,v\n" + Repeat("NUL", 252) + "MOV,v,1", "253 = MOV,v,1,"},
      {Repeat("NUL", 253) + "SUB,255,255,?", "253 = SUB,255,255,?"},
      {Repeat("SUB,255,255,?", 85) + "VAL,77\nVAL,88\nVAL,99", "87 = VAL,99,,"}};
  // clang-format on
  for (const auto& [source, message] : cases) {
    const Assembled run(source, Copy);
    EXPECT_EQ(Texts(run.assembly.messages), Strings{CompileFailed + message});
    EXPECT_FALSE(run.assembly.generated) << message;
    EXPECT_EQ(run.assembly.listing, "") << message;
  }
}

// A copy clears the image first; the listing gives each address and byte
// (VAL its text), in debug mode under each statement, or each row's source
// line when asked.
TEST(GenerateCode, ListsEachByteAndCopyClearsTheImageFirst) {
  const std::string_view lines[] = {"MOV,k,191", "SUB,255,k,?", ":halt", "GTO,halt", "SET,k"};
  const std::tuple<std::string, GenerateOptions, std::string> cases[] = {
      {Example, Copy, "0\t:9\n1\t:10\n2\t:3\n3\t:255\n4\t:9\n5\t:6\n6\t:255\n7\t:255\n8\t:6\n9\t:0\n10\t:65\n"},
      {Example,
       {GenerateMode::CopyAndStart, true},
       "----MOV----\n0\t:9\n1\t:10\n2\t:3\n----SUB----\n3\t:255\n4\t:9\n5\t:6\n"
       "----GTO----\n6\t:255\n7\t:255\n8\t:6\n----SET----\n9\t:0\n----VAL----\n10\t:65\n"},
      {"NUL\nNULL\nNXT", {GenerateMode::ListingOnly, true}, "----NUL----\n0\t:0\n----NULL----\n----NXT----\n1\t:2\n"},
      {"VAL,007\nSUB,007,&HFF,?\nVAL,12abc\nVAL,abc", {}, "0\t:007\n1\t:7\n2\t:255\n3\t:4\n4\t:12abc\n5\t:abc\n"},
      {Example,
       {GenerateMode::ListingOnly, false, lines},
       "; 1: MOV,k,191\n0\t:9\n1\t:10\n2\t:3\n; 2: SUB,255,k,?\n3\t:255\n4\t:9\n5\t:6\n"
       "; 4: GTO,halt\n6\t:255\n7\t:255\n8\t:6\n; 5: SET,k\n9\t:0\n; 1: MOV,k,191\n10\t:65\n"},
  };
  for (const auto& [source, options, listing] : cases) EXPECT_EQ(Assembled(source, options).assembly.listing, listing);
  const Ints example{9, 10, 3, 255, 9, 6, 255, 255, 6, 0, 65, 0xEE};
  const Assembled copied(Example, Copy);
  EXPECT_EQ(copied.Image(0, 11), Ints(example.begin(), example.end() - 1));
  EXPECT_EQ(copied.Image(11, 245), Ints(245, 0));
  EXPECT_EQ(Assembled(Example).Image(0, 12), example);
  EXPECT_EQ(Assembled("VAL,007\nVAL,12abc\nVAL,abc").Image(0, 3), (Ints{7, 12, 0}));
  const Assembled top(Repeat("SUB,255,255,?", 85) + "VAL,77\nVAL,88", Copy);  // the 257th byte stays in the image
  EXPECT_EQ(top.Image(254, 3), (Ints{255, 77, 88}));
  EXPECT_TRUE(top.assembly.listing.ends_with("\n255\t:77\n256\t:88\n"));
}

TEST(GenerateCode, LooksUpByPosButWritesAtTheRunningAddress) {
  CmdTable table;
  table.Replace({{"SUB", "255", "255", "?", "", 40}, {"GTO", "t", "", "", "", 0}, {"NUL", "", "", "", "t", 9}});
  CodeImage image{};
  EXPECT_TRUE(Generated(GenerateCode(table, image, {})));
  EXPECT_EQ(Ints(image.begin(), image.begin() + 7), (Ints{255, 255, 3, 255, 255, 9, 0}));
  EXPECT_EQ(GenerateCode(CmdTable{}, image, Copy).shown, "");
  EXPECT_EQ(Ints(image.begin(), image.begin() + 256), Ints(256, 0));
}

// Every stage runs on what the one before left, and the messages of all are
// collected. Every message names its source line: labels and empty lines
// count, and a MOV's constant row is the MOV's line.
TEST(Assemble, RunsEveryStageOnWhatTheOneBeforeLeftAndCollectsTheMessages) {
  const std::tuple<std::string, Strings, std::vector<int>> cases[] = {
      {"SET\nGTO,nowhere\n", {InputFailed + "SET", InputFailed, CompileFailed + "1 = GTO,nowhere,,"}, {1, 3, 2}},
      {":top\n\nNUL\r\n:mid\nGTO,lop", {InputFailed, CompileFailed + "1 = GTO,lop,,"}, {2, 5}},
      {"SET,x\n:l\nMOV,x,18446744073709551617",
       {CompileFailed + "2 = VAL," + std::to_string(256 - NumberLimit) + ",,"},
       {3}},
      {Repeat("SUB,255,255,?", 10922) + "NUL\nNXT",
       {InputFailed + "32767", CompileFailed + "85 = SUB,255,255,?"},
       {10924, 86}},
      {"", {InputFailed}, {1}},
  };
  for (const auto& [source, texts, lines] : cases) {
    const Assembly assembly = Assembled(source, Copy).assembly;
    EXPECT_EQ(Texts(assembly.messages), texts) << source.substr(0, 40);
    EXPECT_EQ(Lines(assembly.messages), lines) << source.substr(0, 40);
  }
  const Assembled failed("SET\nGTO,nowhere\n", Copy);
  EXPECT_EQ(failed.assembly.table, TableHeading + "SET\t\t\t\t\t0\rGTO\tnowhere\t\t\t\t1\r");
  EXPECT_FALSE(failed.assembly.generated);
  // The generator runs on the rows a failed position pass left, and the scan's table stays shown.
  const Assembled overflow(Repeat("SUB,255,255,?", 10922) + "NUL\nNXT");
  EXPECT_TRUE(overflow.assembly.table.ends_with("\rNUL\t\t\t\t\t0\rNXT\t\t\t\t\t0\r"));
  const Assembled empty("");
  EXPECT_TRUE(empty.assembly.generated);
  EXPECT_EQ(empty.assembly.table, TableHeading);
}

}  // namespace
}  // namespace zar
