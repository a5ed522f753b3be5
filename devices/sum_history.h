#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "machine/machine.h"

namespace zar {

// The figures of the history after a sample was recorded.
struct HistoryStats {
  int Current = 0;
  int Max = 0;
  int Min = 0;
};

// The last 513 memory sums, oldest first; zeros until that many were recorded.
// Lives for the whole process, independent of any window. Recording a sample
// is one store into a ring; the figures are worked out when they are asked
// for, which is at most once a step and usually far less often.
class SumHistory {
 public:
  static constexpr int Size = 513;
  // The plot's coordinate system is Plot x Plot units, y growing downwards.
  static constexpr int Plot = 512;

  // Drops the oldest sample and appends sum as the newest.
  void Record(int sum) {
    ring_[position_] = sum;
    position_ = position_ + 1 == Size ? 0 : position_ + 1;
  }

  // A run that records a sample in every step keeps the position of the
  // next one itself while it runs: Record(sum, position) stores without
  // touching the ring's own position, which Resume then takes back.
  std::size_t Position() const { return position_; }
  void Record(int sum, std::size_t& position) {
    ring_[position] = sum;
    position = position + 1 == Size ? 0 : position + 1;
  }
  void Resume(std::size_t position) { position_ = position; }
  // The ring itself, for a run that stores its samples by that rule in code
  // of its own.
  std::int32_t* Ring() { return ring_.data(); }

  // n samples more, of a run whose samples repeat with a period that divides
  // n and that recorded at least Size of them since it began to repeat: the
  // newest Size samples stay as they are, the ring's position moves on.
  void Repeat(std::uint64_t n);

  std::array<std::int32_t, Size> Samples() const;
  // The figures of the samples as they are: the newest, the largest, the smallest.
  HistoryStats Stats() const;

 private:
  std::array<std::int32_t, Size> ring_{};  // the samples, the oldest at position_
  std::size_t position_ = 0;
};

// Sum of all 256 cells as unsigned bytes, 0..65280.
int MemorySum(const MemoryCells& memory);

// 'Current: 1000 MAX:1200 MIN:900 DIFF:300'
std::string HistoryLabelText(const HistoryStats& stats);

// Height of a sample on the 512-unit plot: the maximum touches the top (0), the
// minimum the bottom (512). A flat history lies along the bottom.
double PlotY(int sample, const HistoryStats& stats);

}  // namespace zar
