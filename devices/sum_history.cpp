#include "devices/sum_history.h"

#include <algorithm>
#include <numeric>

namespace zar {

HistoryStats SumHistory::Record(int sum) {
  std::copy(samples_.begin() + 1, samples_.end(), samples_.begin());
  samples_.back() = sum;
  const auto [min, max] = std::minmax_element(samples_.begin(), samples_.end());
  return {sum, *max, *min};
}

HistoryStats SumHistory::Stats() const {
  const auto [min, max] = std::minmax_element(samples_.begin(), samples_.end());
  return {samples_.back(), *max, *min};
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
