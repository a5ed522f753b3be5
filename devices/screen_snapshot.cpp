#include "devices/screen_snapshot.h"

#include <algorithm>

namespace zar {

ScreenSnapshot ScreenSnapshot::Take(ScreenBuffer& store, const ScreenSnapshot* previous) {
  ScreenSnapshot copy;
  for (int y = 0; y < ScreenSize; ++y) {
    if (previous && !store.RowWritten(y)) {
      copy.rows_[y] = previous->rows_[y];
      continue;
    }
    auto row = std::make_shared<Row>();
    std::copy_n(store.Row(y), ScreenSize, row->begin());
    copy.rows_[y] = std::move(row);
  }
  store.ForgetWrites();
  return copy;
}

void ScreenSnapshot::RestoreInto(ScreenBuffer& store) const {
  for (int y = 0; y < ScreenSize; ++y) std::copy(rows_[y]->begin(), rows_[y]->end(), store.WriteRow(y));
  store.ForgetWrites();
}

}  // namespace zar
