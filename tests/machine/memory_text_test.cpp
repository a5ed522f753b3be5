#include "machine/memory_text.h"

#include <gtest/gtest.h>

#include <random>

#include "machine/fill.h"
#include "recording_console.h"

namespace zar {
namespace {

std::vector<std::string> SplitAtCarriageReturns(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t cr; (cr = text.find('\r', start)) != std::string::npos; start = cr + 1) {
    lines.push_back(text.substr(start, cr - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

TEST(MemoryText, AscendingMemoryBracketsTheInstructionAndEndsWithTheStatusLine) {
  Machine m;
  std::mt19937 generator;
  FillMemory(m, FillPattern::Ascending, generator);
  const auto lines = SplitAtCarriageReturns(MemoryText(m));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0], "[0]\t[1]\t[2]\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t");
  EXPECT_EQ(lines[15], "240\t241\t242\t243\t244\t245\t246\t247\t248\t249\t250\t251\t252\t253\t254\t255\t");
  EXPECT_EQ(lines[16], "");
  EXPECT_EQ(lines[17], "IP:0 [A]:0 [B]:1 C:2");
}

TEST(MemoryText, StatusLineShowsValuesOfAAndBButTheAddressC) {
  Machine m = test::MachineWith({10, 11, 6});
  m.Memory[10] = 5;
  m.Memory[11] = 7;
  const std::string text = MemoryText(m);
  EXPECT_EQ(text.substr(text.rfind('\r') + 1), "IP:0 [A]:5 [B]:7 C:6");
  EXPECT_EQ(text.substr(0, 10), "[10]\t11\t6\t");
  EXPECT_NE(text.find("[5]\t[7]\t"), std::string::npos);  // cells 10 and 11 are A and B
}

TEST(MemoryText, ACellIsBracketedOnceWhenItIsSeveralMarks) {
  Machine m;  // all zero: IP, A, B and C are all cell 0
  const auto lines = SplitAtCarriageReturns(MemoryText(m));
  EXPECT_EQ(lines[0].substr(0, 6), "[0]\t0\t");
  EXPECT_EQ(lines[17], "IP:0 [A]:0 [B]:0 C:0");
  const MarkedCells marked = MarkedCellsOf(m);
  EXPECT_TRUE(marked.Contains(0));
  EXPECT_FALSE(marked.Contains(1));
}

}  // namespace
}  // namespace zar
