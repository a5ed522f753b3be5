#include "machine/fill.h"

#include <chrono>
#include <cmath>

namespace zar {

Byte RandomCellValue(float r) {
  // nearbyint rounds halves to the even neighbour in the default mode.
  return static_cast<Byte>(std::nearbyint(static_cast<double>(r) * 255.0));
}

float NextUnit(std::mt19937& generator) {
  // 24 random bits give every float in [0, 1) on a 2^-24 grid, never 1.
  return static_cast<float>(generator() >> 8) * 0x1p-24f;
}

std::mt19937 ClockSeededGenerator() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  return std::mt19937(static_cast<std::mt19937::result_type>(ticks));
}

void FillMemory(Machine& m, FillPattern pattern, std::mt19937& generator) {
  for (int i = 0; i < 256; ++i) {
    switch (pattern) {
      case FillPattern::Null:
        m.Memory[i] = 0;
        break;
      case FillPattern::Ascending:
        m.Memory[i] = static_cast<Byte>(i);
        break;
      case FillPattern::Descending:
        m.Memory[i] = static_cast<Byte>(255 - i);
        break;
      case FillPattern::Random:
        m.Memory[i] = RandomCellValue(NextUnit(generator));
        break;
    }
  }
  m.IP = 0;
}

}  // namespace zar
