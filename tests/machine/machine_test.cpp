#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "machine/cp1252.h"
#include "machine/fill.h"
#include "machine/instruction.h"
#include "machine/memory_text.h"
#include "support/memory_image.h"

namespace zar {
namespace {

using test::Image;

TEST(Decode, SubtractsWrapsAndBranchesOnZeroOrNegativeAndSaysSoInWords) {
  // One instruction at IP; afterwards the A cell `cell` holds `value` and IP is `next`.
  struct Case {
    MemoryCells memory;
    int ip, cell, value, next;
    const char* words;
  };
  const Case cases[] = {
      {Image({10, 11, 6}, {{10, 9}, {11, 7}}), 0, 10, 2, 3, "IP 0: [10] 9 - [11] 7 = 2; 9 > 7, so go on to 3"},
      {Image({10, 11, 6}, {{10, 5}, {11, 7}}), 0, 10, 254, 6, "IP 0: [10] 5 - [11] 7 = 254; 5 <= 7, so jump to 6"},
      {Image({10, 11, 6}, {{10, 7}, {11, 7}}), 0, 10, 0, 6, nullptr},  // zero jumps
      {Image({10, 11, 6}, {{10, 255}}), 0, 10, 255, 3, nullptr},       // the largest is positive
      {Image({10, 11, 6}, {{11, 255}}), 0, 10, 1, 6, nullptr},         // the most negative wraps
      {Image({20, 20, 99}, {{20, 42}}), 0, 20, 0, 99, nullptr},
      {Image({9, 1}, {{253, 1}}), 252, 0, 8, 0, "IP 252: [0] 9 - [1] 1 = 8; 9 > 1, so go on to 0 (past 252)"},
      {Image({30, 30, 253}), 0, 30, 0, 0, "IP 0: [30] 0 - [30] 0 = 0; 0 <= 0, so jump to 0 (C 253 is beyond 252)"},
      {Image({}, {{9, 30}, {10, 30}, {11, 255}}), 9, 30, 0, 0, nullptr},
      {Image({2, 5, 2}, {{5, 200}}), 0, 2, 58, 2, nullptr},  // C as fetched before A, the same cell, was written
      {Image({255, 18, 6}, {{18, 65}}), 0, 255, 191, 6, "IP 0: [255] 0 - [18] 65 = 191; 0 <= 65, so jump to 6"},
  };
  for (const auto& c : cases) {
    Machine m{c.memory, static_cast<Byte>(c.ip)};
    const Decoded d = Decode(m);
    Execute(m, d);
    EXPECT_EQ(std::vector<int>({m.Memory[c.cell], m.IP}), std::vector<int>({c.value, c.next})) << &c - cases;
    EXPECT_TRUE(!c.words || DescribeInstruction(d) == c.words) << DescribeInstruction(d);
  }
}

TEST(MemoryText, BracketsIpAndTheOperandsEndsWithTheStatusLineAndShowsEveryFillPattern) {
  EXPECT_TRUE(MemoryText(Machine{}).starts_with("[0]\t0\t0\t"));  // four marks on one cell, one bracket
  const std::string text = MemoryText({Image({}, {{3, 10}, {4, 11}, {5, 6}, {10, 5}, {11, 7}}), 3});
  EXPECT_TRUE(text.starts_with("0\t0\t0\t[10]\t11\t6\t[0]\t0\t0\t0\t[5]\t[7]\t0\t")) << text.substr(0, 50);
  EXPECT_TRUE(text.ends_with("\rIP:3 [A]:5 [B]:7 C:6"));
  Machine ascending;
  std::mt19937 generator;
  FillMemory(ascending, FillPattern::Ascending, generator);
  const std::string lines = MemoryText(ascending);
  EXPECT_EQ(lines.substr(0, lines.find('\r') + 4), "[0]\t[1]\t[2]\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t\r16\t")
      << "16 values to a line";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\r'), 17);
  EXPECT_TRUE(lines.ends_with("\t254\t255\t\r\rIP:0 [A]:0 [B]:1 C:2"));
  // A pattern writes every cell and resets IP; random cells round to the nearest value over the whole range.
  generator.seed(7);
  Machine m{Image({}, {{0, 9}, {130, 9}, {255, 9}}), 120};
  FillMemory(m, FillPattern::Descending, generator);
  EXPECT_EQ(std::vector<int>({m.Memory[0], m.Memory[130], m.Memory[255], m.IP}), std::vector<int>({255, 125, 0, 0}));
  EXPECT_EQ(std::vector<int>({RandomCellValue(0.0f), RandomCellValue(0.5f), RandomCellValue(0.999999f)}),
            std::vector<int>({0, 128, 255}));  // 127.5 goes to 128
  float highest = 0;
  for (int i = 0; i < 100000; ++i) highest = std::max(highest, NextUnit(generator));
  EXPECT_TRUE(highest > 0.999f && highest < 1.0f) << highest;
}

TEST(Cp1252, MapsTheHighControlsSurvivesARoundTripAndConvertsTextCharacterByCharacter) {
  // An undefined byte, such as 0x81, keeps its number.
  const std::pair<Byte, char32_t> pairs[] = {
      {'A', U'A'}, {0x80, U'\u20AC'}, {0x9F, U'\u0178'}, {0xE4, U'\u00E4'}, {0x81, U'\u0081'}};
  for (const auto& [code, ch] : pairs) EXPECT_EQ(Cp1252ToUnicode(code), ch) << int(code);
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(static_cast<Byte>(code))), static_cast<Byte>(code)) << code;
  }
  EXPECT_FALSE(UnicodeToCp1252(U'\u4E2D') || UnicodeToCp1252(U'\u0080'));  // byte 0x80 is the euro sign
  // Text is converted character by character: runs of ASCII of every length around the eight bytes taken at once,
  // between high bytes, at either end.
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    while (text.size() < static_cast<std::size_t>(round % 40)) {
      text.append(random() % 20, static_cast<char>('a' + random() % 26));
      if (random() % 2) text += static_cast<char>(0x80 + random() % 128);
    }
    std::string expected;
    for (const char c : text) AppendUtf8(expected, Cp1252ToUnicode(static_cast<Byte>(c)));
    ASSERT_EQ(Cp1252ToUtf8(text), expected);
  }
}

}  // namespace
}  // namespace zar
