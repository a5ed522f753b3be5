#pragma once

#include <initializer_list>
#include <utility>

#include "machine/machine.h"

namespace zar::test {

// Memory holding the program's cells from address 0 on, then single cells at
// their addresses, zeros elsewhere.
inline MemoryCells Image(std::initializer_list<int> program, std::initializer_list<std::pair<int, int>> cells = {}) {
  MemoryCells m{};
  int i = 0;
  for (const int v : program) m[i++] = static_cast<Byte>(v);
  for (const auto& [cell, v] : cells) m[cell] = static_cast<Byte>(v);
  return m;
}

}  // namespace zar::test
