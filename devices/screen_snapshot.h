#pragma once

#include <array>
#include <memory>

#include "devices/screen_device.h"

namespace zar {

// A copy of the screen store taken row by row: the rows the store wrote
// since the previous copy are copied, the others are shared with it, so a
// store that changes in a few rows costs a few rows.
class ScreenSnapshot {
 public:
  using Row = std::array<ColorValue, ScreenSize>;

  // Copies the store's written rows (all of them without a previous copy)
  // and forgets its marks: from now on they tell what changed since this copy.
  static ScreenSnapshot Take(ScreenBuffer& store, const ScreenSnapshot* previous);

  // Puts the copy back into the store, with no rows marked: the store is
  // this copy again.
  void RestoreInto(ScreenBuffer& store) const;

  // Whether the row is the one the other copy holds (shared, not equal).
  bool SharesRow(const ScreenSnapshot& other, int y) const { return rows_[y] == other.rows_[y]; }

 private:
  std::array<std::shared_ptr<const Row>, ScreenSize> rows_;
};

}  // namespace zar
