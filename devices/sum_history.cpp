#include "devices/sum_history.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace zar {

namespace {

std::size_t Next(std::size_t i) { return i + 1 == SumHistory::Size ? 0 : i + 1; }
std::size_t Previous(std::size_t i) { return i == 0 ? SumHistory::Size - 1 : i - 1; }

}  // namespace

template <typename Better>
void SumHistory::Candidates::Add(std::uint64_t n, std::int32_t value, Better better) {
  // A sample that is no better than the new one can never be the figure again.
  while (count_ > 0 && !better(slots_[Previous(tail_)].value, value)) {
    tail_ = Previous(tail_);
    --count_;
  }
  slots_[tail_] = {n, value};
  tail_ = Next(tail_);
  ++count_;
}

void SumHistory::Candidates::Expire(std::uint64_t oldest) {
  while (count_ > 0 && slots_[head_].n < oldest) {
    head_ = Next(head_);
    --count_;
  }
}

HistoryStats SumHistory::Record(int sum) {
  const std::uint64_t n = next_++;
  largest_.Expire(n + 1 - Size);
  smallest_.Expire(n + 1 - Size);
  ring_[position_] = sum;
  position_ = Next(position_);
  largest_.Add(n, sum, std::greater<>());
  smallest_.Add(n, sum, std::less<>());
  return Stats();
}

// The zeros before the first sample count as samples: while any is left in
// the window, the smallest is at most 0 and the largest at least 0.
HistoryStats SumHistory::Stats() const {
  if (next_ == Size) return {0, 0, 0};
  HistoryStats stats{ring_[Previous(position_)], largest_.Front(), smallest_.Front()};
  if (next_ < 2 * Size) {
    stats.Max = std::max(stats.Max, 0);
    stats.Min = std::min(stats.Min, 0);
  }
  return stats;
}

std::array<std::int32_t, SumHistory::Size> SumHistory::Samples() const {
  std::array<std::int32_t, Size> samples{};
  for (std::size_t i = 0, at = position_; i < Size; ++i, at = Next(at)) samples[i] = ring_[at];
  return samples;
}

int MemorySum(const MemoryCells& memory) { return std::accumulate(memory.begin(), memory.end(), 0); }

std::string HistoryLabelText(const HistoryStats& s) {
  return "Current: " + std::to_string(s.Current) + " MAX:" + std::to_string(s.Max) +
         " MIN:" + std::to_string(s.Min) + " DIFF:" + std::to_string(s.Max - s.Min);
}

double PlotY(int sample, const HistoryStats& s) {
  if (s.Max == s.Min) return SumHistory::Plot;
  return SumHistory::Plot - static_cast<double>(sample - s.Min) / (s.Max - s.Min) * SumHistory::Plot;
}

}  // namespace zar
