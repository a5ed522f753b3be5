#include "devices/sum_history.h"

#include <gtest/gtest.h>

namespace zar {
namespace {

TEST(SumHistory, FirstSampleRisesFromTheInitialZeros) {
  SumHistory history;
  const HistoryStats stats = history.Record(1000);
  EXPECT_EQ(history.Samples()[512], 1000);
  EXPECT_EQ(history.Samples()[511], 0);
  EXPECT_EQ(HistoryLabelText(stats), "Current: 1000 MAX:1000 MIN:0 DIFF:1000");
  EXPECT_DOUBLE_EQ(PlotY(0, stats), 512.0);
  EXPECT_DOUBLE_EQ(PlotY(1000, stats), 0.0);
  EXPECT_DOUBLE_EQ(PlotY(500, stats), 256.0);
}

TEST(SumHistory, KeepsTheLast513SamplesOldestFirst) {
  SumHistory history;
  HistoryStats stats;
  for (int i = 1; i <= 600; ++i) stats = history.Record(1000 + i);
  EXPECT_EQ(history.Samples()[0], 1000 + 88);
  EXPECT_EQ(history.Samples()[512], 1600);
  EXPECT_EQ(stats.Min, 1088);  // the initial zeros have left
  EXPECT_EQ(HistoryLabelText(stats), "Current: 1600 MAX:1600 MIN:1088 DIFF:512");
}

TEST(SumHistory, AFlatHistoryIsRecordedAndLiesOnTheBottom) {
  SumHistory history;
  HistoryStats stats;
  for (int i = 0; i < 3; ++i) stats = history.Record(0);  // all 513 samples zero
  EXPECT_EQ(HistoryLabelText(stats), "Current: 0 MAX:0 MIN:0 DIFF:0");
  EXPECT_DOUBLE_EQ(PlotY(0, stats), 512.0);
}

TEST(MemorySum, AddsAllCellsAsUnsignedBytes) {
  MemoryCells memory;
  memory.fill(255);
  EXPECT_EQ(MemorySum(memory), 65280);
  memory.fill(0);
  memory[0] = 128;
  memory[255] = 1;
  EXPECT_EQ(MemorySum(memory), 129);
}

}  // namespace
}  // namespace zar
