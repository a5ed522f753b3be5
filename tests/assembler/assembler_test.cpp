// The assembler's stages on their own and together: numbers, the scanner,
// the position pass and the generator.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "assembler/assemble.h"
#include "assembler/generator.h"
#include "assembler/number_text.h"
#include "assembler/positions.h"
#include "assembler/scanner.h"
#include "support/malformed_sources.h"

namespace zar {
namespace {

using Ints = std::vector<int>;
using Strings = std::vector<std::string>;

const std::string InputFailed = "Input Processing failed at: ";
const std::string CompileFailed = "Compile Failed at command: ";
const std::string TableHeading = "CMD\tARG 1\tARG 2\tARG 3\tLABEL\tPOS\r";

// The rows as "Cmd|Arg1|Arg2|Arg3|Label|Pos", so whole tables compare in one line.
Strings Rows(const CmdTable& table) {
  Strings rows;
  for (const TableRow& r : table.Rows()) {
    rows.push_back(r.Cmd + '|' + r.Arg1 + '|' + r.Arg2 + '|' + r.Arg3 + '|' + r.Label + '|' + std::to_string(r.Pos));
  }
  return rows;
}

// The messages' texts, and their lines.
Strings Texts(const std::vector<StageMessage>& messages) {
  Strings texts;
  for (const StageMessage& m : messages) texts.push_back(m.text);
  return texts;
}
std::vector<int> Lines(const std::vector<StageMessage>& messages) {
  std::vector<int> lines;
  for (const StageMessage& m : messages) lines.push_back(m.line);
  return lines;
}

// n copies of the line, each ended by a line feed.
const auto Repeat = test::Many;

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
    EXPECT_EQ(std::tuple(Rows(table), Texts(report.messages)), std::tuple(rows, messages));
    EXPECT_EQ(report.shown, ShowTable(table));
  }
  CmdTable table;
  const StageReport full = ScanSource(Repeat("NUL", CmdTable::MaxRows) + "NXT,last\n:lab\n# end", table);
  EXPECT_EQ(std::tuple(table.CmdCount(), table[CmdTable::MaxRows - 1].Cmd), std::tuple(CmdTable::MaxRows, "NUL"));
  EXPECT_EQ(Texts(full.messages), (Strings{InputFailed + "NXT,last", InputFailed + ":lab"}));  // and the scan goes on
}

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
    EXPECT_EQ(std::tuple(Rows(table), Texts(report.messages)), std::tuple(rows, Strings{}));
    EXPECT_EQ(report.shown, ShowTable(table));
  }
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

TEST(GenerateCode, PutsTheBytesOfEachStatementAtItsAddressLookingLabelsUpByPos) {
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
    EXPECT_TRUE(run.assembly.generated && run.assembly.messages.empty());
    EXPECT_EQ(run.Image(first, static_cast<int>(cells.size())), cells);
  }
  // Labels are looked up by their Pos, but code is written at the running address.
  CmdTable table;
  table.Replace({{"SUB", "255", "255", "?", "", 40}, {"GTO", "t", "", "", "", 0}, {"NUL", "", "", "", "t", 9}});
  CodeImage image{};
  EXPECT_TRUE(Generated(GenerateCode(table, image, {})));
  EXPECT_EQ(Ints(image.begin(), image.begin() + 7), (Ints{255, 255, 3, 255, 255, 9, 0}));
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
  // clang-format off
  const std::tuple<std::string, GenerateOptions, std::string> cases[] = {
      {Example, Copy, "0\t:9\n1\t:10\n2\t:3\n3\t:255\n4\t:9\n5\t:6\n6\t:255\n7\t:255\n8\t:6\n9\t:0\n10\t:65\n"},
      {Example, {GenerateMode::CopyAndStart, true},
       "----MOV----\n0\t:9\n1\t:10\n2\t:3\n----SUB----\n3\t:255\n4\t:9\n5\t:6\n"
       "----GTO----\n6\t:255\n7\t:255\n8\t:6\n----SET----\n9\t:0\n----VAL----\n10\t:65\n"},
      {"NUL\nNULL\nNXT", {GenerateMode::ListingOnly, true}, "----NUL----\n0\t:0\n----NULL----\n----NXT----\n1\t:2\n"},
      {"VAL,007\nSUB,007,&HFF,?\nVAL,12abc\nVAL,abc", {}, "0\t:007\n1\t:7\n2\t:255\n3\t:4\n4\t:12abc\n5\t:abc\n"},
      {Example, {GenerateMode::ListingOnly, false, lines},
       "; 1: MOV,k,191\n0\t:9\n1\t:10\n2\t:3\n; 2: SUB,255,k,?\n3\t:255\n4\t:9\n5\t:6\n"
       "; 4: GTO,halt\n6\t:255\n7\t:255\n8\t:6\n; 5: SET,k\n9\t:0\n; 1: MOV,k,191\n10\t:65\n"}};
  // clang-format on
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

// Every stage runs on what the one before left, and the messages of all are
// collected. Every message names its source line: labels and empty lines
// count, and a MOV's constant row is the MOV's line.
TEST(Assemble, RunsEveryStageOnWhatTheOneBeforeLeftAndCollectsTheMessages) {
  // clang-format off
  const std::tuple<std::string, Strings, std::vector<int>> cases[] = {
      {"SET\nGTO,nowhere\n", {InputFailed + "SET", InputFailed, CompileFailed + "1 = GTO,nowhere,,"}, {1, 3, 2}},
      {":top\n\nNUL\r\n:mid\nGTO,lop", {InputFailed, CompileFailed + "1 = GTO,lop,,"}, {2, 5}},
      {"SET,x\n:l\nMOV,x,18446744073709551617",
       {CompileFailed + "2 = VAL," + std::to_string(256 - NumberLimit) + ",,"}, {3}},
      {Repeat("SUB,255,255,?", 10922) + "NUL\nNXT",
       {InputFailed + "32767", CompileFailed + "85 = SUB,255,255,?"}, {10924, 86}},
      {"", {InputFailed}, {1}}};
  // clang-format on
  for (const auto& [source, texts, lines] : cases) {
    const Assembly assembly = Assembled(source, Copy).assembly;
    EXPECT_EQ(std::tuple(Texts(assembly.messages), Lines(assembly.messages)), std::tuple(texts, lines))
        << source.substr(0, 40);
  }
  // The generator runs on the rows a failed position pass left, and the scan's table stays shown.
  const Assembled overflow(Repeat("SUB,255,255,?", 10922) + "NUL\nNXT");
  EXPECT_TRUE(overflow.assembly.table.ends_with("\rNUL\t\t\t\t\t0\rNXT\t\t\t\t\t0\r"));
  const Assembled empty("");
  EXPECT_TRUE(empty.assembly.generated);
  EXPECT_EQ(empty.assembly.table, TableHeading);
}

}  // namespace
}  // namespace zar
