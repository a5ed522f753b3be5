#include "devices/screen_snapshot.h"

#include <algorithm>
#include <bitset>

namespace zar {

namespace {

bool SameRow(const ColorValue* pixels, const ScreenSnapshot::Row& row) {
  return std::equal(row.begin(), row.end(), pixels);
}

}  // namespace

// The group's rows as the store has them now: previous itself when none of
// them differs from it.
CountedPtr<ScreenSnapshot::GroupNode> ScreenSnapshot::TakeGroup(const ScreenBuffer& store, int group,
                                                                const CountedPtr<GroupNode>* previous) {
  const int first = group * GroupRows;
  std::bitset<GroupRows> fresh;
  for (int r = 0; r < GroupRows; ++r) {
    const int y = first + r;
    fresh[r] = !previous || (store.RowWritten(y) && !SameRow(store.Row(y), (*previous)->rows[r]->pixels));
  }
  if (fresh.none()) return *previous;
  CountedPtr<GroupNode> copy(new GroupNode);
  for (int r = 0; r < GroupRows; ++r) {
    if (!fresh[r]) {
      copy->rows[r] = (*previous)->rows[r];
      continue;
    }
    CountedPtr<RowNode> row(new RowNode);
    std::copy_n(store.Row(first + r), ScreenSize, row->pixels.begin());
    copy->rows[r] = std::move(row);
  }
  return copy;
}

ScreenSnapshot ScreenSnapshot::Take(ScreenBuffer& store, const ScreenSnapshot* previous) {
  ScreenSnapshot copy;
  if (previous && !store.AnyRowWritten()) {
    copy.top_ = previous->top_;
    return copy;
  }
  CountedPtr<TopNode> top(new TopNode);
  bool changed = !previous;
  for (int g = 0; g < GroupCount; ++g) {
    const CountedPtr<GroupNode>* before = previous ? &previous->top_->groups[g] : nullptr;
    top->groups[g] = TakeGroup(store, g, before);
    changed = changed || !(top->groups[g] == *before);
  }
  copy.top_ = changed ? std::move(top) : previous->top_;
  store.ForgetWrites();
  return copy;
}

void ScreenSnapshot::RestoreInto(ScreenBuffer& store) const {
  for (int y = 0; y < ScreenSize; ++y) {
    const Row& row = top_->groups[y / GroupRows]->rows[y % GroupRows]->pixels;
    std::copy(row.begin(), row.end(), store.WriteRow(y));
  }
  store.ForgetWrites();
}

std::size_t ScreenSnapshot::BytesBeyond(const ScreenSnapshot* previous) const {
  if (previous && previous->top_ == top_) return 0;
  std::size_t bytes = sizeof(TopNode);
  for (int g = 0; g < GroupCount; ++g) {
    const GroupNode* before = previous ? previous->top_->groups[g].get() : nullptr;
    const GroupNode& group = *top_->groups[g];
    if (&group == before) continue;
    bytes += sizeof(GroupNode);
    for (int r = 0; r < GroupRows; ++r) {
      if (!before || !(group.rows[r] == before->rows[r])) bytes += sizeof(RowNode);
    }
  }
  return bytes;
}

int ScreenSnapshot::RowsSharedWith(const ScreenSnapshot& other) const {
  int shared = 0;
  for (int y = 0; y < ScreenSize; ++y) {
    const int g = y / GroupRows;
    const int r = y % GroupRows;
    shared += top_->groups[g]->rows[r] == other.top_->groups[g]->rows[r];
  }
  return shared;
}

}  // namespace zar
