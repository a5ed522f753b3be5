#include "machine/fill.h"

#include <gtest/gtest.h>

#include <array>

namespace zar {
namespace {

TEST(FillMemory, PatternsCoverEveryCellAndResetIP) {
  std::mt19937 generator(1);
  Machine m;
  m.IP = 120;
  FillMemory(m, FillPattern::Ascending, generator);
  EXPECT_EQ(m.IP, 0);
  EXPECT_EQ(m.Memory[0], 0);
  EXPECT_EQ(m.Memory[255], 255);
  EXPECT_EQ(m.Memory[130], 130);

  FillMemory(m, FillPattern::Descending, generator);
  EXPECT_EQ(m.Memory[0], 255);
  EXPECT_EQ(m.Memory[255], 0);

  FillMemory(m, FillPattern::Null, generator);
  EXPECT_EQ(m.Memory, MemoryCells{});
}

TEST(FillMemory, RandomValuesRoundHalvesToEven) {
  EXPECT_EQ(RandomCellValue(0.0f), 0);
  EXPECT_EQ(RandomCellValue(0.999999f), 255);
  EXPECT_EQ(RandomCellValue(0.5f), 128);  // 127.5 goes to 128
}

TEST(FillMemory, RandomUsesTheWholeRangeWithHalfWeightEnds) {
  std::mt19937 generator(7);
  std::array<int, 256> seen{};
  for (int round = 0; round < 400; ++round) {
    Machine m;
    FillMemory(m, FillPattern::Random, generator);
    for (const Byte value : m.Memory) ++seen[value];
  }
  // 102,400 cells: about 401 per inner value, about 200 for 0 and 255.
  EXPECT_GT(seen[0], 120);
  EXPECT_LT(seen[0], 290);
  EXPECT_GT(seen[255], 120);
  EXPECT_LT(seen[255], 290);
  EXPECT_GT(seen[128], 300);
}

TEST(FillMemory, UnitNumbersStayBelowOne) {
  std::mt19937 generator(3);
  for (int i = 0; i < 100000; ++i) {
    const float r = NextUnit(generator);
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
  }
}

}  // namespace
}  // namespace zar
