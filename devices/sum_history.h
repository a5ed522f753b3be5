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
// Lives for the whole process, independent of any window. Recording costs
// the same whatever the samples are: they sit in a ring, and the candidates
// for the largest and the smallest in two queues of rising age.
class SumHistory {
 public:
  static constexpr int Size = 513;
  // The plot's coordinate system is Plot x Plot units, y growing downwards.
  static constexpr int Plot = 512;

  // Drops the oldest sample, appends sum as the newest and returns the
  // figures over all 513 samples.
  HistoryStats Record(int sum);

  std::array<std::int32_t, Size> Samples() const;
  // The figures of the samples as they are: the newest, the largest, the smallest.
  HistoryStats Stats() const;

 private:
  // Samples whose values fall (for the largest) or rise (for the smallest)
  // from the front, the front being the figure of the window.
  class Candidates {
   public:
    template <typename Better>
    void Add(std::uint64_t n, std::int32_t value, Better better);
    void Expire(std::uint64_t oldest);
    std::int32_t Front() const { return slots_[head_].value; }

   private:
    struct Entry {
      std::uint64_t n;
      std::int32_t value;
    };
    std::array<Entry, Size> slots_{};
    std::size_t head_ = 0;
    std::size_t tail_ = 0;  // one past the newest
    std::size_t count_ = 0;
  };

  std::array<std::int32_t, Size> ring_{};  // the samples, the oldest at next_ % Size
  std::size_t position_ = 0;               // next_ % Size, kept without dividing
  std::uint64_t next_ = Size;              // the number of the next sample; the zeros count
  Candidates largest_;
  Candidates smallest_;
};

// Sum of all 256 cells as unsigned bytes, 0..65280.
int MemorySum(const MemoryCells& memory);

// 'Current: 1000 MAX:1200 MIN:900 DIFF:300'
std::string HistoryLabelText(const HistoryStats& stats);

// Height of a sample on the 512-unit plot: the maximum touches the top (0), the
// minimum the bottom (512). A flat history lies along the bottom.
double PlotY(int sample, const HistoryStats& stats);

}  // namespace zar
