#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "devices/screen_device.h"

namespace zar {

// A copy of the screen store taken row by row: the rows the store wrote
// since the previous copy are copied, the others are shared with it, so a
// store that changes in a few rows costs a few rows, and one that did not
// change shares the previous copy whole.
class ScreenSnapshot {
 public:
  using Row = std::array<ColorValue, ScreenSize>;

  // Copies the store's written rows (all of them without a previous copy)
  // and forgets its marks: from now on they tell what changed since this copy.
  static ScreenSnapshot Take(ScreenBuffer& store, const ScreenSnapshot* previous);

  // Puts the copy back into the store, with no rows marked: the store is
  // this copy again.
  void RestoreInto(ScreenBuffer& store) const;

  // The memory this copy takes beyond what it shares with the previous one.
  std::size_t BytesBeyond(const ScreenSnapshot* previous) const;

 private:
  using Rows = std::array<std::shared_ptr<const Row>, ScreenSize>;
  std::shared_ptr<const Rows> rows_;
};

}  // namespace zar
