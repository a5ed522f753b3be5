#include "devices/screen_snapshot.h"

#include <algorithm>

namespace zar {

ScreenSnapshot ScreenSnapshot::Take(ScreenBuffer& store, const ScreenSnapshot* previous) {
  ScreenSnapshot copy;
  if (previous && !store.AnyRowWritten()) {
    copy.rows_ = previous->rows_;
    return copy;
  }
  auto rows = std::make_shared<Rows>();
  for (int y = 0; y < ScreenSize; ++y) {
    if (previous && !store.RowWritten(y)) {
      (*rows)[y] = (*previous->rows_)[y];
      continue;
    }
    auto row = std::make_shared<Row>();
    std::copy_n(store.Row(y), ScreenSize, row->begin());
    (*rows)[y] = std::move(row);
  }
  copy.rows_ = std::move(rows);
  store.ForgetWrites();
  return copy;
}

void ScreenSnapshot::RestoreInto(ScreenBuffer& store) const {
  for (int y = 0; y < ScreenSize; ++y) std::copy((*rows_)[y]->begin(), (*rows_)[y]->end(), store.WriteRow(y));
  store.ForgetWrites();
}

std::size_t ScreenSnapshot::BytesBeyond(const ScreenSnapshot* previous) const {
  if (previous && previous->rows_ == rows_) return 0;
  std::size_t bytes = sizeof(Rows);
  for (int y = 0; y < ScreenSize; ++y) {
    if (!previous || (*rows_)[y] != (*previous->rows_)[y]) bytes += sizeof(Row);
  }
  return bytes;
}

}  // namespace zar
