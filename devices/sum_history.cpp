#include "devices/sum_history.h"

#include <algorithm>
#include <numeric>

namespace zar {

// The zeros before the first samples are samples like any other.
HistoryStats SumHistory::Stats() const {
  const auto [min, max] = std::minmax_element(ring_.begin(), ring_.end());
  return {ring_[position_ == 0 ? Size - 1 : position_ - 1], *max, *min};
}

std::array<std::int32_t, SumHistory::Size> SumHistory::Samples() const {
  std::array<std::int32_t, Size> samples{};
  std::rotate_copy(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(position_), ring_.end(), samples.begin());
  return samples;
}

void SumHistory::Repeat(std::uint64_t n) {
  const std::array<std::int32_t, Size> samples = Samples();
  position_ = static_cast<std::size_t>((position_ + n) % Size);
  std::rotate_copy(samples.begin(), samples.end() - static_cast<std::ptrdiff_t>(position_), samples.end(),
                   ring_.begin());
}

int MemorySum(const MemoryCells& memory) { return std::accumulate(memory.begin(), memory.end(), 0); }

std::string HistoryLabelText(const HistoryStats& s) {
  return "Current: " + std::to_string(s.Current) + " MAX:" + std::to_string(s.Max) + " MIN:" + std::to_string(s.Min) +
         " DIFF:" + std::to_string(s.Max - s.Min);
}

double PlotY(int sample, const HistoryStats& s) {
  if (s.Max == s.Min) return SumHistory::Plot;
  return SumHistory::Plot - static_cast<double>(sample - s.Min) / (s.Max - s.Min) * SumHistory::Plot;
}

}  // namespace zar
